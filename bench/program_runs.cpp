// Start-up, frame times, memory and heap allocations of whole programs: the
// viewer and the baseline, each started with the frame probe preloaded, one
// after the other, several times, with the same images.
#include "bench.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bench {
namespace {

struct RunResult
{
    bool ok = false;
    std::string error;
    double firstFrameMs = 0, firstFrameCpuMs = 0;
    double frameMeanMs = 0, frameP99Ms = 0, frameCpuMs = 0;
    double allocationsPerFrame = 0, ownAllocationsPerFrame = 0;
    unsigned long ownAllocationsMax = 0;
    double peakMiB = 0;
};

std::int64_t monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t rank = std::size_t(std::ceil(p * values.size()));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Starts `program image` in the work folder with the probe preloaded and
// waits until the probe has ended it after warmup + frames frames.
RunResult runOnce(const Options& options, const Workspace& workspace, const std::string& program,
                  const std::string& image, const std::string& tag)
{
    RunResult result;
    const std::string record = workspace.dir + "/probe-" + tag + ".txt";
    const std::string log = workspace.dir + "/log-" + tag + ".txt";
    std::remove(record.c_str());
    const int wanted = options.warmup + options.frames + 1;

    const std::int64_t t0 = monotonicNs();
    const pid_t pid = fork();
    if (pid < 0) {
        result.error = std::string("fork: ") + std::strerror(errno);
        return result;
    }
    if (pid == 0) {
        if (chdir(workspace.dir.c_str()) != 0)
            _exit(126);
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        setenv("LD_PRELOAD", options.probe.c_str(), 1);
        setenv("SKYGLASS_PROBE_OUT", record.c_str(), 1);
        setenv("SKYGLASS_PROBE_T0_NS", std::to_string(t0).c_str(), 1);
        setenv("SKYGLASS_PROBE_FRAMES", std::to_string(wanted).c_str(), 1);
        execl(program.c_str(), program.c_str(), image.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }

    int status = 0;
    rusage usage{};
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            result.error = "no " + std::to_string(wanted) + " frames within " +
                           std::to_string(options.timeoutSeconds) + " s (see " + log + ")";
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    result.peakMiB = usage.ru_maxrss / 1024.0;

    std::ifstream in(record);
    std::string key;
    long long firstNs = -1;
    int frameCount = 0;
    std::vector<long long> times, cpu;
    std::vector<unsigned long> all, own;
    while (in >> key) {
        if (key == "first_frame_ns") {
            in >> firstNs;
        } else if (key == "frames") {
            in >> frameCount;
        } else if (key == "frame") {
            long long t, c;
            unsigned long a, o;
            in >> t >> a >> o >> c;
            times.push_back(t);
            cpu.push_back(c);
            all.push_back(a);
            own.push_back(o);
        }
    }
    if (firstNs < 0 || int(times.size()) < wanted) {
        std::ostringstream why;
        why << "the program ended after " << times.size() << " of " << wanted << " frames (";
        if (WIFEXITED(status))
            why << "exit code " << WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            why << "signal " << WTERMSIG(status);
        why << "; see " << log << ")";
        result.error = why.str();
        return result;
    }

    result.firstFrameMs = firstNs / 1e6;
    result.firstFrameCpuMs = cpu[0] / 1e6;
    // The steady state: frames after the warm-up. Each entry counts the
    // allocations made since the frame before it.
    std::vector<double> intervals;
    double allSum = 0, ownSum = 0;
    for (int i = options.warmup + 1; i < wanted; ++i) {
        intervals.push_back((times[i] - times[i - 1]) / 1e6);
        allSum += double(all[i]);
        ownSum += double(own[i]);
        result.ownAllocationsMax = std::max(result.ownAllocationsMax, own[i]);
    }
    double sum = 0;
    for (double d : intervals)
        sum += d;
    result.frameMeanMs = sum / intervals.size();
    result.frameP99Ms = percentile(intervals, 0.99);
    result.frameCpuMs = (cpu[wanted - 1] - cpu[options.warmup]) / 1e6 / intervals.size();
    result.allocationsPerFrame = allSum / intervals.size();
    result.ownAllocationsPerFrame = ownSum / intervals.size();
    result.ok = true;
    return result;
}

struct Summary
{
    int good = 0;
    std::string error;
    std::vector<double> firstFrame, firstFrameCpu, mean, p99, frameCpu, peak, allocations,
        ownAllocations;
    unsigned long ownMax = 0;

    void add(const RunResult& r)
    {
        if (!r.ok) {
            if (error.empty())
                error = r.error;
            return;
        }
        ++good;
        firstFrame.push_back(r.firstFrameMs);
        firstFrameCpu.push_back(r.firstFrameCpuMs);
        frameCpu.push_back(r.frameCpuMs);
        mean.push_back(r.frameMeanMs);
        p99.push_back(r.frameP99Ms);
        peak.push_back(r.peakMiB);
        allocations.push_back(r.allocationsPerFrame);
        ownAllocations.push_back(r.ownAllocationsPerFrame);
        ownMax = std::max(ownMax, r.ownAllocationsMax);
    }
};

double best(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

using Statistic = double (*)(std::vector<double>);

double medianOf(std::vector<double> values)
{
    return median(std::move(values));
}
double bestOf(std::vector<double> values)
{
    return best(values);
}

std::string cell(const Summary& s, const std::vector<double>& values, int decimals,
                 Statistic statistic = medianOf)
{
    if (s.good == 0)
        return "n/a";
    return formatNumber(statistic(values), decimals);
}

std::string ratio(const Summary& viewer, const Summary& base, const std::vector<double>& v,
                  const std::vector<double>& b, Statistic statistic = medianOf)
{
    if (viewer.good == 0 || base.good == 0 || statistic(b) <= 0)
        return "n/a";
    return formatNumber(statistic(v) / statistic(b), 3);
}

} // namespace

bool runProgramSection(const Options& options, const Workspace& workspace,
                       std::vector<Table>& tables)
{
    const bool haveViewer = access(options.viewer.c_str(), X_OK) == 0;
    const std::vector<BenchImage>& images = workspace.images;
    const std::size_t count = images.size();
    std::vector<Summary> viewer(count), base(count);
    for (int run = 0; run < options.runs; ++run) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::string suffix = std::to_string(i) + "-" + std::to_string(run);
            std::cerr << "run " << run + 1 << "/" << options.runs << ", " << images[i].label
                      << "\n";
            // Alternate which program goes first, so that neither profits
            // from the other's warm caches more often.
            for (int k = 0; k < 2; ++k) {
                const bool viewerTurn = (k + run) % 2 == 0;
                if (viewerTurn && haveViewer)
                    viewer[i].add(runOnce(options, workspace, options.viewer, images[i].path,
                                          "viewer-" + suffix));
                else if (!viewerTurn)
                    base[i].add(runOnce(options, workspace, options.baseline, images[i].path,
                                        "baseline-" + suffix));
            }
        }
    }

    Table table;
    table.title = "Viewer against the baseline (median of " + std::to_string(options.runs) +
                  " runs; frames at 1280 x 720, no vertical sync)";
    table.columns = {"Measure", "Viewer", "Baseline", "Viewer / baseline"};
    for (std::size_t i = 0; i < count; ++i) {
        const Summary& v = viewer[i];
        const Summary& b = base[i];
        const std::string& label = images[i].label;
        table.rows.push_back({"Start to first frame, " + label + " (ms)", cell(v, v.firstFrame, 1),
                              cell(b, b.firstFrame, 1), ratio(v, b, v.firstFrame, b.firstFrame)});
        table.rows.push_back({"Start to first frame, best run, " + label + " (ms)",
                              cell(v, v.firstFrame, 1, bestOf), cell(b, b.firstFrame, 1, bestOf),
                              ratio(v, b, v.firstFrame, b.firstFrame, bestOf)});
        table.rows.push_back({"CPU time to first frame, all threads, " + label + " (ms)",
                              cell(v, v.firstFrameCpu, 1), cell(b, b.firstFrameCpu, 1),
                              ratio(v, b, v.firstFrameCpu, b.firstFrameCpu)});
        table.rows.push_back({"Frame time, mean, " + label + " (ms)", cell(v, v.mean, 2),
                              cell(b, b.mean, 2), ratio(v, b, v.mean, b.mean)});
        table.rows.push_back({"Frame time, 99th percentile, " + label + " (ms)", cell(v, v.p99, 2),
                              cell(b, b.p99, 2), ratio(v, b, v.p99, b.p99)});
        table.rows.push_back({"CPU time per frame, all threads, " + label + " (ms)",
                              cell(v, v.frameCpu, 2), cell(b, b.frameCpu, 2),
                              ratio(v, b, v.frameCpu, b.frameCpu)});
        table.rows.push_back({"Peak memory (RSS), " + label + " (MiB)", cell(v, v.peak, 1),
                              cell(b, b.peak, 1), ratio(v, b, v.peak, b.peak)});
        table.rows.push_back({"Heap allocations per frame, all code, " + label,
                              cell(v, v.allocations, 2), cell(b, b.allocations, 2), ""});
        table.rows.push_back({"Heap allocations per frame, program's own code, " + label,
                              v.good ? formatNumber(median(v.ownAllocations), 2) + " (max " +
                                           std::to_string(v.ownMax) + ")"
                                     : "n/a",
                              b.good ? formatNumber(median(b.ownAllocations), 2) + " (max " +
                                           std::to_string(b.ownMax) + ")"
                                     : "n/a",
                              ""});
    }
    table.notes.push_back(
        "Start: from the benchmark's fork of the process to the return of the first "
        "glXSwapBuffers; best run: the fastest of the runs. The CPU times (user and "
        "system, all threads, CLOCK_PROCESS_CPUTIME_ID) depend less on other load "
        "of the machine than the wall-clock times. Heap allocations: malloc, calloc, realloc, "
        "aligned "
        "allocations and operator new, from any thread; \"own code\" counts calls "
        "made from the program's executable itself (not from the engine, the C++ "
        "library or the GL driver).");
    bool ok = true;
    for (std::size_t i = 0; i < count; ++i) {
        if (!base[i].error.empty()) {
            table.notes.push_back("Baseline failed (" + images[i].label + "): " + base[i].error);
            ok = false;
        }
        if (!viewer[i].error.empty()) {
            table.notes.push_back("Viewer failed (" + images[i].label + "): " + viewer[i].error);
            ok = false;
        }
    }
    if (!haveViewer)
        table.notes.push_back("No viewer at " + options.viewer +
                              ": build the target skyglass, or name it with --viewer PATH.");
    tables.push_back(table);
    return ok;
}

} // namespace bench
