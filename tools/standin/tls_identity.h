#pragma once
// The stand-in's TLS identity, made afresh at each start: a certificate that
// every check would reject (self-signed, expired yesterday, issued to another
// name), so that tests see the client ignore exactly those errors. Owns the
// key and the certificate; the TLS server takes its own references.
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

namespace xl::standin {

struct TlsIdentity {
    struct KeyDeleter {
        void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    };
    struct CertificateDeleter {
        void operator()(X509* certificate) const { X509_free(certificate); }
    };
    std::unique_ptr<EVP_PKEY, KeyDeleter> key;
    std::unique_ptr<X509, CertificateDeleter> certificate;
};

// Null members when OpenSSL fails.
TlsIdentity MakeUntrustedIdentity();

}  // namespace xl::standin
