// The scripting channel's round trip: a client on the control's Unix socket
// sends one request and waits for its reply, 10,000 times; the server is
// polled on the main thread as the window's loop polls it. Reports the
// median and the 99th percentile. The request reads a field-sized value
// (an application parameter: the field methods are not connected yet).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "control/FennixControl.h"
#include "control/FennixSocketServer.h"
#include "engine/SgNodara.h"
#include "solids/Solvane.h"

int main()
{
    constexpr int kCalls = 10000;
    SgNodara::Init();
    solvane::Solvane::Init();
    fennix::FennixControl control;
    if (!control.Create(nullptr))
        return 1;
    control.SetAppParam("translation", fennix::DispValue::Str("(1,2,3)"));
    fennix::FennixSocketServer server(control);
    std::string error;
    if (!server.Listen("", error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::atomic<bool> done{false};
    std::vector<double> micros;
    micros.reserve(kCalls);
    std::thread client([&] {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof(a.sun_path), "%s", server.GetPath().c_str());
        if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0) {
            done = true;
            return;
        }
        const std::string request = "{\"id\": 1, \"method\": \"GetAppParam\", \"params\": [\"translation\"]}\n";
        char buffer[4096];
        for (int k = 0; k < kCalls; ++k) {
            const auto start = std::chrono::steady_clock::now();
            if (send(fd, request.data(), request.size(), 0) <= 0)
                break;
            bool complete = false;
            while (!complete) {
                const ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
                if (n <= 0)
                    break;
                complete = buffer[n - 1] == '\n';
            }
            if (!complete)
                break;
            micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
        close(fd);
        done = true;
    });
    while (!done)
        server.Poll(1);
    client.join();
    if (micros.size() != static_cast<std::size_t>(kCalls)) {
        std::fprintf(stderr, "only %zu of %d round trips\n", micros.size(), kCalls);
        return 1;
    }
    std::sort(micros.begin(), micros.end());
    std::printf("channel round trip over %d calls: median %.1f us, 99th percentile %.1f us\n", kCalls,
                micros[micros.size() / 2], micros[micros.size() * 99 / 100]);
    return 0;
}
