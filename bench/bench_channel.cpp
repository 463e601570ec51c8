// The scripting channel's round trip: a client on the control's Unix socket
// sends one request and waits for its reply, 10,000 times; the server is
// polled on the main thread as the window's loop polls it. Reports the
// median and the 99th percentile. The request reads a field of a node by
// the node's name (GetFieldValue), the way a page script reads the scene.
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
    // A named transform in the scene, made through the dispatch as a script would.
    using fennix::DispValue;
    const fennix::DispResult made = control.Call("CreateNode", {DispValue::Str("Transform")});
    if (!made.ok || made.value.integer == 0 ||
        control.Call("InsertNode", {DispValue::Real(0), made.value, DispValue::Int(0), DispValue::Real(0)}).value.integer != 1 ||
        control.Call("SetVal", {made.value, DispValue::Str("name"), DispValue::Str("boxTransform")}).value.integer != 1 ||
        control.Call("SetVal", {made.value, DispValue::Str("translation"), DispValue::Str("(1,2,3)")}).value.integer != 1) {
        std::fprintf(stderr, "the transform could not be made\n");
        return 1;
    }
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
        const std::string request =
            "{\"id\": 1, \"method\": \"GetFieldValue\", \"params\": [\"boxTransform\", \"translation\"]}\n";
        char buffer[4096];
        std::string first;
        for (int k = 0; k < kCalls; ++k) {
            const auto start = std::chrono::steady_clock::now();
            if (send(fd, request.data(), request.size(), 0) <= 0)
                break;
            bool complete = false;
            while (!complete) {
                const ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
                if (n <= 0)
                    break;
                if (k == 0)
                    first.append(buffer, static_cast<std::size_t>(n));
                complete = buffer[n - 1] == '\n';
            }
            if (!complete)
                break;
            // The first reply shows the field was read, not an error.
            if (k == 0 && first.find("\"result\":\"(1,2,3)\"") == std::string::npos)
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
