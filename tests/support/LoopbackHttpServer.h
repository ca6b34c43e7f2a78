#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A tiny HTTP server on 127.0.0.1 for the tests of the online jobs: serves
// the bodies it is given by path, 404 for the rest, and can stall a path
// (accept, read the request, never answer) until it stops.
class CLoopbackHttpServer {
public:
    struct Response {
        Response(int status_ = 200, std::string body_ = "", std::string location_ = "",
                 bool stall_ = false)
            : status(status_),
              body(std::move(body_)),
              location(std::move(location_)),
              stall(stall_) {}
        int status;
        std::string body;
        std::string location;  // a redirect's target
        bool stall;            // never answered
    };

    CLoopbackHttpServer();
    ~CLoopbackHttpServer();
    CLoopbackHttpServer(const CLoopbackHttpServer&) = delete;
    CLoopbackHttpServer& operator=(const CLoopbackHttpServer&) = delete;

    void Set(const std::string& path, Response response);
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string Url(const std::string& path = "") const;
    // Requests received for `path`, and the headers of the last one.
    int Requests(const std::string& path) const;
    std::string LastHeaders(const std::string& path) const;
    // Waits (at most a few seconds) until `path` has had `count` requests.
    bool WaitForRequests(const std::string& path, int count) const;

    // An address on which nothing listens.
    static std::string DeadUrl(const std::string& path = "");

private:
    void Serve();
    void Answer(int fd);

    int m_nListen = -1;
    int m_nPort = 0;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    std::map<std::string, Response> m_mapResponses;
    std::map<std::string, int> m_mapRequests;
    std::map<std::string, std::string> m_mapHeaders;
    std::vector<int> m_arrStalled;
};
