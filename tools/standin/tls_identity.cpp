#include "tls_identity.h"

#include <openssl/x509v3.h>

namespace xl::standin {
namespace {

constexpr long kDay = 24 * 60 * 60;
constexpr char kCommonName[] = "xiulan-standin.invalid";  // not the 127.0.0.1 clients ask for

}  // namespace

TlsIdentity MakeUntrustedIdentity() {
    TlsIdentity identity;
    identity.key.reset(EVP_EC_gen("P-256"));
    identity.certificate.reset(X509_new());
    X509* cert = identity.certificate.get();
    if (!identity.key || cert == nullptr) return {};
    X509_NAME* name = X509_get_subject_name(cert);
    const bool made =
        X509_set_version(cert, 2) == 1 && ASN1_INTEGER_set(X509_get_serialNumber(cert), 1) == 1 &&
        X509_gmtime_adj(X509_getm_notBefore(cert), -2 * kDay) != nullptr &&
        X509_gmtime_adj(X509_getm_notAfter(cert), -kDay) != nullptr &&
        X509_set_pubkey(cert, identity.key.get()) == 1 &&
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(kCommonName), -1, -1,
                                   0) == 1 &&
        X509_set_issuer_name(cert, name) == 1 &&  // its own issuer
        X509_sign(cert, identity.key.get(), EVP_sha256()) > 0;
    return made ? std::move(identity) : TlsIdentity{};
}

}  // namespace xl::standin
