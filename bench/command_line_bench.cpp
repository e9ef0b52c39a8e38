// command_line_bench.cpp: the whole command-line route, failing open included, over growing lines
// of one-byte arguments with the /error= switch last; the time per byte should stay flat.

#include <benchmark/benchmark.h>

#include <string>

#include "launcher/launch.h"
#include "platform/fake.h"

static void command_line_route(benchmark::State& state)
{
    const std::string last = " /error=Could`1not`1open";
    std::string line = "mailto addr@example.com";
    while (line.size() + 2 + last.size() <= static_cast<std::size_t>(state.range(0))) line += " x";
    line += last;
    for (auto _ : state) {
        fake::reset();
        fake::set_command_line(line);
        fake::set_shell_result(2);
        benchmark::DoNotOptimize(launcher::run());
    }
    state.counters["ns_per_byte"] =
        benchmark::Counter(static_cast<double>(state.iterations() * line.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(command_line_route)->Arg(1024)->Arg(8 * 1024)->Arg(32767)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
