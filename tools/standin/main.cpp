// xiulan-standin: the stand-in service on 127.0.0.1.
//   xiulan-standin [--port=N] [--data=FILE] [--port-file=FILE] [--exit-after-idle=SECONDS]
//                  [--rows=N]
// --port=0 (the default) takes any free port. --rows=N replaces the data
// file's three server lists by generated ones of N rows each. The chosen port is printed on
// standard output as the line "XIULAN_STANDIN_PORT=<port>" and, with
// --port-file, written to that file, so a test can start it and find it.
// The same service answers over TLS on a second free port (printed as
// "XIULAN_STANDIN_TLS_PORT=<port>"), with a certificate no client should
// trust; /_control/tls?path=P redirects there.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "generated_lists.h"
#include "standin_service.h"
#include "tls_identity.h"

namespace {

constexpr char kLoopback[] = "127.0.0.1";
constexpr auto kWatchInterval = std::chrono::milliseconds(250);

struct Options {
    int port = 0;
    std::string data = XIULAN_STANDIN_DEFAULT_DATA;
    std::string portFile;
    int exitAfterIdle = 0;
    int rows = -1;  // -1: the lists of the data file
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const std::string& name) -> const char* {
            return arg.rfind(name + "=", 0) == 0 ? argv[i] + name.size() + 1 : nullptr;
        };
        try {
            if (const char* v = value("--port")) {
                options.port = std::stoi(v);
            } else if (const char* v = value("--data")) {
                options.data = v;
            } else if (const char* v = value("--port-file")) {
                options.portFile = v;
            } else if (const char* v = value("--exit-after-idle")) {
                options.exitAfterIdle = std::stoi(v);
            } else if (const char* v = value("--rows")) {
                options.rows = std::stoi(v);
            } else {
                std::cerr << "unknown option " << arg << "\n";
                return false;
            }
        } catch (const std::exception&) {
            std::cerr << "bad value in " << arg << "\n";
            return false;
        }
    }
    return options.port >= 0 && options.port <= 65535 && options.rows >= -1;
}

// Written to a temporary name first, so a reader never sees half a number.
void WritePortFile(const std::string& path, int port) {
    const std::string temp = path + ".tmp";
    std::ofstream(temp) << port << "\n";
    std::rename(temp.c_str(), path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << "usage: xiulan-standin [--port=N] [--data=FILE] [--port-file=FILE] "
                     "[--exit-after-idle=SECONDS] [--rows=N]\n";
        return 2;
    }
    std::string error;
    auto data = xl::standin::StandinService::Load(options.data, error);
    if (!data) {
        std::cerr << error << "\n";
        return 1;
    }
    if (options.rows >= 0) (*data)["lists"] = xl::standin::GeneratedLists(options.rows);

    // Signals are taken by one thread with sigwait; block them before any
    // other thread starts so none of those receives them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    xl::standin::StandinService service(std::move(*data));
    httplib::Server server;
    const xl::standin::TlsIdentity identity = xl::standin::MakeUntrustedIdentity();
    std::unique_ptr<httplib::SSLServer> tls;
    if (identity.certificate) {
        tls = std::make_unique<httplib::SSLServer>(identity.certificate.get(), identity.key.get());
        if (!tls->is_valid()) tls.reset();
    }
    auto stop = [&service, &server, &tls] {
        service.Shutdown();
        server.stop();
        if (tls) tls->stop();
    };
    service.Install(server, [stop] { std::thread(stop).detach(); });
    if (tls) {
        service.Install(*tls, [stop] { std::thread(stop).detach(); });
        // Lets a client see that a reply came over TLS.
        tls->set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
            res.set_header("X-Standin-Tls", "1");
        });
    }

    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port(kLoopback);
    } else if (!server.bind_to_port(kLoopback, port)) {
        port = -1;
    }
    if (port <= 0) {
        std::cerr << "cannot listen on " << kLoopback << ":" << options.port << "\n";
        return 1;
    }
    // Bound (and so accepting) before the port file tells anyone the service is up.
    const int tlsPort = tls ? tls->bind_to_any_port(kLoopback) : -1;
    if (tlsPort > 0) {
        service.SetTlsPort(tlsPort);
        std::thread([&tls] { tls->listen_after_bind(); }).detach();
    } else {
        std::cerr << "no TLS endpoint (OpenSSL could not make one)\n";
    }
    std::cout << "XIULAN_STANDIN_PORT=" << port << std::endl;
    if (tlsPort > 0) std::cout << "XIULAN_STANDIN_TLS_PORT=" << tlsPort << std::endl;
    std::cerr << "stand-in service on http://" << kLoopback << ":" << port << "\n";
    if (!options.portFile.empty()) WritePortFile(options.portFile, port);

    std::thread([signals, stop]() mutable {
        int signal = 0;
        sigwait(&signals, &signal);
        stop();
    }).detach();
    if (options.exitAfterIdle > 0) {
        const auto idleLimit = std::chrono::seconds(options.exitAfterIdle);
        std::thread([&service, stop, idleLimit] {
            while (std::chrono::steady_clock::now() - service.LastActivity() < idleLimit)
                std::this_thread::sleep_for(kWatchInterval);
            stop();
        }).detach();
    }
    server.listen_after_bind();
    // The watcher threads still hold references to the service: end here
    // instead of destroying it under them.
    std::fflush(nullptr);
    std::_Exit(0);
}
