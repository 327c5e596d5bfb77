#pragma once
// A one-thread HTTP server on 127.0.0.1 for tests that need something to
// answer on loopback in both builds (Winsock under Wine, POSIX sockets
// natively). It answers every request with the same reply and counts them.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using TestSocket = SOCKET;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using TestSocket = int;
#endif

#include <atomic>
#include <string>
#include <thread>

namespace xl::test {

class TinyHttpServer {
  public:
    explicit TinyHttpServer(std::string body = "ok") : body_(std::move(body)) {
#ifdef _WIN32
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
#endif
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listener_, 8);
        socklen_t len = sizeof addr;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TinyHttpServer() {
        stopping_ = true;
        // Wake the accept with a connection of our own.
        TestSocket s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<unsigned short>(port_));
        connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        Close(s);
        thread_.join();
        Close(listener_);
    }
    int port() const {
        return port_;
    }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int requests() const {
        return requests_;
    }

  private:
    static void Close(TestSocket s) {
#ifdef _WIN32
        closesocket(s);
#else
        close(s);
#endif
    }
    void Serve() {
        while (true) {
            TestSocket c = accept(listener_, nullptr, nullptr);
            if (stopping_) {
                Close(c);
                return;
            }
            char buf[4096];
            std::string request;
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int n = static_cast<int>(recv(c, buf, sizeof buf, 0));
                if (n <= 0) break;
                request.append(buf, static_cast<std::size_t>(n));
            }
            ++requests_;
            const std::string reply =
                "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
            send(c, reply.data(), static_cast<int>(reply.size()), 0);
            Close(c);
        }
    }

    std::string body_;
    TestSocket listener_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace xl::test
