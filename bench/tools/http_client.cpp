// Loopback HTTP client for the benchmarks.
//   http_client latency PORT PATH COUNT          closed loop, one request at a time: p50/p99/max in microseconds
//   http_client load PORT PATH COUNT CLIENTS     COUNT requests from CLIENTS closed-loop threads: requests/s
// Every answer must be a 2xx; the exit status is non-zero otherwise.

#include "HttpExchange.h"
#include "Percentiles.h"

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

int latency(unsigned short port, const std::string& path, int count)
{
    const std::string request = requestFor(path);
    std::string answer;
    std::vector<double> samples;
    samples.reserve(size_t(count));
    for (int index = 0; index < count; ++index) {
        const auto start = BenchClock::now();
        if (!exchange(port, request, answer)) {
            std::fprintf(stderr, "request %d failed: %s\n", index, answer.c_str());
            return 1;
        }
        samples.push_back(std::chrono::duration<double, std::micro>(BenchClock::now() - start).count());
    }
    printLatencies(samples);
    return 0;
}

int load(unsigned short port, const std::string& path, int count, int clients)
{
    const std::string request = requestFor(path);
    std::atomic<int> next { 0 };
    std::atomic<int> failed { 0 };
    const auto start = BenchClock::now();
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&] {
            std::string answer;
            while (next.fetch_add(1) < count) {
                if (!exchange(port, request, answer))
                    failed.fetch_add(1);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const double seconds = std::chrono::duration<double>(BenchClock::now() - start).count();
    std::printf("requests=%d failed=%d seconds=%.3f rps=%.0f\n", count, failed.load(), seconds, count / seconds);
    return failed.load() == 0 ? 0 : 1;
}

}

int main(int argc, char* argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "latency" && argc == 5)
        return latency(static_cast<unsigned short>(std::atoi(argv[2])), argv[3], std::atoi(argv[4]));
    if (mode == "load" && argc == 6)
        return load(static_cast<unsigned short>(std::atoi(argv[2])), argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
    std::fprintf(stderr, "usage: http_client latency PORT PATH COUNT | load PORT PATH COUNT CLIENTS\n");
    return 2;
}
