#include "support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace {

int ListenOn(int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(fd, 16);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

void WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace

CLoopbackHttpServer::CLoopbackHttpServer() {
    m_nListen = ListenOn(&m_nPort);
    (void)::pipe(m_wake);
    m_thread = std::thread([this] { Serve(); });
}

CLoopbackHttpServer::~CLoopbackHttpServer() {
    (void)::write(m_wake[1], "x", 1);
    m_thread.join();
    for (int fd : m_arrStalled) ::close(fd);
    ::close(m_nListen);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

void CLoopbackHttpServer::Set(const std::string& path, Response response) {
    std::lock_guard lock(m_mutex);
    m_mapResponses[path] = std::move(response);
}

std::string CLoopbackHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_nPort) + path;
}

int CLoopbackHttpServer::Requests(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    auto it = m_mapRequests.find(path);
    return it == m_mapRequests.end() ? 0 : it->second;
}

std::string CLoopbackHttpServer::LastHeaders(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    auto it = m_mapHeaders.find(path);
    return it == m_mapHeaders.end() ? "" : it->second;
}

bool CLoopbackHttpServer::WaitForRequests(const std::string& path, int count) const {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(5), [&] {
        auto it = m_mapRequests.find(path);
        return it != m_mapRequests.end() && it->second >= count;
    });
}

std::string CLoopbackHttpServer::DeadUrl(const std::string& path) {
    int port = 0;
    const int fd = ListenOn(&port);
    ::close(fd);  // refused from now on
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

void CLoopbackHttpServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{m_nListen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        const int fd = ::accept4(m_nListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) Answer(fd);
    }
}

void CLoopbackHttpServer::Answer(int fd) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0) break;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
    }
    const size_t sp1 = request.find(' ');
    const size_t sp2 = request.find(' ', sp1 + 1);
    if (sp1 == std::string::npos || sp2 == std::string::npos) {
        ::close(fd);
        return;
    }
    const std::string method = request.substr(0, sp1);
    const std::string path = request.substr(sp1 + 1, sp2 - sp1 - 1);
    Response response;
    response.status = 404;
    {
        std::lock_guard lock(m_mutex);
        ++m_mapRequests[path];
        m_mapHeaders[path] = request;
        auto it = m_mapResponses.find(path);
        if (it != m_mapResponses.end()) response = it->second;
    }
    m_cv.notify_all();
    if (response.stall) {
        m_arrStalled.push_back(fd);
        return;
    }
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " X\r\n";
    head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    if (!response.location.empty()) head += "Location: " + response.location + "\r\n";
    head += "Connection: close\r\n\r\n";
    WriteAll(fd, method == "HEAD" ? head : head + response.body);
    ::close(fd);
}
