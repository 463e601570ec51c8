#pragma once
// A tiny HTTP server for tests: it listens on 127.0.0.1 only (on a port the
// system picks), answers each connection with the next canned response (the
// last one repeats), closes the connection and records the request line.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CannedHttpServer {
public:
    struct Response {
        std::string bytes;
        // Keep the connection open after the bytes, as a server that stalls
        // does, until the client gives up or the server stops.
        bool stall = false;
    };

    explicit CannedHttpServer(std::vector<Response> responses)
        : m_responses(std::move(responses))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof(address);
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 ||
            ::listen(m_listener, 8) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }

    ~CannedHttpServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            ::close(m_listener);
    }

    CannedHttpServer(const CannedHttpServer &) = delete;
    CannedHttpServer &operator=(const CannedHttpServer &) = delete;

    bool Running() const { return m_port != 0; }
    std::string Url(const std::string &path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    std::vector<std::string> Requests() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

    // A complete response with a status line, the given headers and a body
    // whose length is declared.
    static Response Reply(const std::string &status, const std::string &body, const std::string &headers = "")
    {
        return {"HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                    "\r\nConnection: close\r\n" + headers + "\r\n" + body,
                false};
    }

private:
    // Waits for the descriptor while checking for stop every 50 ms; false
    // when the server stops first.
    bool WaitFor(int fd, short events)
    {
        while (!m_stop) {
            pollfd entry{fd, events, 0};
            int ready = ::poll(&entry, 1, 50);
            if (ready > 0)
                return true;
        }
        return false;
    }

    void Serve()
    {
        size_t next = 0;
        while (WaitFor(m_listener, POLLIN)) {
            int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                continue;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos && WaitFor(client, POLLIN)) {
                ssize_t got = ::recv(client, buffer, sizeof(buffer), 0);
                if (got <= 0)
                    break;
                request.append(buffer, static_cast<size_t>(got));
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.push_back(request.substr(0, request.find("\r\n")));
            }
            const Response &response = m_responses.empty() ? Response{} : m_responses[std::min(next, m_responses.size() - 1)];
            ++next;
            size_t sent = 0;
            while (sent < response.bytes.size()) {
                ssize_t put = ::send(client, response.bytes.data() + sent, response.bytes.size() - sent, MSG_NOSIGNAL);
                if (put <= 0)
                    break;
                sent += static_cast<size_t>(put);
            }
            if (response.stall) {
                // Until the client hangs up (a read of 0) or the test ends.
                while (WaitFor(client, POLLIN) && ::recv(client, buffer, sizeof(buffer), 0) > 0) {
                }
            }
            ::close(client);
        }
    }

    std::vector<Response> m_responses;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
};
