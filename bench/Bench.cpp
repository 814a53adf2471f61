// Measures, on one folder of generated MP3 files: (a) the conversion of every file, each new file
// flushed before it replaces the old; (b) as the disk's reference, the same files copied one by one
// with the same flush; (c) a second conversion of the converted folder; and (d) what (b) costs when each
// copy goes to a temporary file that then replaces an existing one, as the conversion must do; and (p) the
// peer: the Python tag library mutagen doing the same job on copies of the same files, in place and unflushed.

#include "BenchFiles.h"
#include "FileSystem.h"
#include "TagConverter.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace {

struct CRun {
    double seconds = 0;
    double megabytes = 0;
    std::size_t files = 0;
};

CRun Measure(
    const std::vector<std::string>& names,
    const std::string& folder,
    const std::function<void(const std::string& path, const std::string& name)>& work,
    const std::function<void()>& finish = [] {}) {
    CRun run;
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        run.megabytes += static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
        work(path, name);
        ++run.files;
    }
    finish();
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

void Print(const char* label, const CRun& run) {
    std::printf("%-34s %6zu files %8.1f MB %7.2f s %8.1f files/s %8.1f MB/s\n", label, run.files, run.megabytes,
                run.seconds, static_cast<double>(run.files) / run.seconds, run.megabytes / run.seconds);
}

bool CopyFlushed(const std::string& from, const std::string& to) {
    IFileSystem& fs = DefaultFileSystem();
    CFileError error;
    CFileHandle in = fs.OpenRead(from, error);
    fs.Delete(to, error);
    CFileHandle out = fs.OpenNew(to, error);
    const std::uint64_t size = in && out ? in->Size().value_or(0) : 0;
    return out && out->AppendFrom(*in, 0, size) == size && out->Flush();
}

// "512K" is 512 KB; "5M" or a plain "5" is 5 MB.
std::size_t KilobytesOf(const std::string& size) {
    const std::size_t number = std::strtoul(size.c_str(), nullptr, 10);
    return size.ends_with('K') ? number : number << 10;
}

// The peer's run over a copy of the songs, timed from outside as a whole process; nullopt when it cannot run.
std::optional<CRun> MeasurePeer(const std::string& folder, const std::vector<std::string>& names) {
    const std::string peer = folder + "/peer";
    std::filesystem::create_directories(peer);
    CRun run;
    for (const std::string& name : names) {
        std::filesystem::copy_file(folder + "/" + name, peer + "/" + name);
        run.megabytes += static_cast<double>(std::filesystem::file_size(peer + "/" + name)) / (1 << 20);
    }
    ::sync();
    // Debian's own Python, which python3-mutagen extends, whatever else the PATH offers.
    const std::string command = "/usr/bin/python3 " KELVARA_BENCH_PEER " '" + peer + "'";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.files = names.size();
    std::filesystem::remove_all(peer);
    if (status != 0) {
        return std::nullopt;
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = std::filesystem::absolute(argc > 1 ? argv[1] : "kelvara-bench").string();
    const std::size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
    const std::size_t kilobytes = KilobytesOf(argc > 3 ? argv[3] : "5M");
    const std::size_t megabytes = (kilobytes + 1023) >> 10;

    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/copies");
    std::filesystem::current_path(folder);  // the activity log goes there too
    std::printf("Making %zu files of about %zu KB in %s ...\n", count, kilobytes, folder.c_str());
    const std::vector<std::string> names = MakeBenchFiles(folder, count, kilobytes);
    const std::optional<CRun> peer = MeasurePeer(folder, names);
    ::sync();  // no write-back of the set-up competes with the measurements

    bool copied = true;
    const CRun copy = Measure(names, folder, [&](const std::string& path, const std::string& name) {
        copied = CopyFlushed(path, folder + "/copies/" + name) && copied;
    });
    ::sync();
    CTagConverter converter;
    std::size_t failures = 0;
    // As EDIT ID3's does: one batch over the folder, whose end is measured too.
    std::optional<CTagConverter::CBatch> batch;
    auto convert = [&](const std::string& path, const std::string& name) { batch->Convert(path, name); };
    auto endBatch = [&] {
        batch->Finish();
        failures += batch->Count(CTagConverter::EOutcome::Failed);
        batch.reset();
    };
    batch.emplace(converter);
    const CRun first = Measure(names, folder, convert, endBatch);
    ::sync();
    batch.emplace(converter);
    const CRun second = Measure(names, folder, convert, endBatch);
    ::sync();

    const CRun replace = Measure(names, folder, [&](const std::string& path, const std::string& name) {
        copied = CopyFlushed(path, folder + "/copies/." + name + ".tmp") && copied;
        CFileError error;
        DefaultFileSystem().Replace(folder + "/copies/." + name + ".tmp", folder + "/copies/" + name, error);
    });
    Print("(b) flushed copy, the reference", copy);
    Print("(a) conversion", first);
    Print("(c) second conversion", second);
    Print("(d) flushed copy replacing a file", replace);
    const double aOverB = (first.megabytes / first.seconds) / (copy.megabytes / copy.seconds);
    std::printf("a/b throughput ratio: %.2f (target at least 0.9)\n", aOverB);
    std::printf("c/a speed-up:         %.1f (target at least 20)\n", first.seconds / second.seconds);
    if (peer) {
        Print("(p) mutagen in place, unflushed", *peer);
        std::printf("p/a time ratio:       %.2f (mutagen's time over Kelvara's)\n", peer->seconds / first.seconds);
    } else {
        std::printf("(p) mutagen did not run: install python3-mutagen (scripts/bench does)\n");
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB (target under %zu MB)\n", static_cast<double>(usage.ru_maxrss) / 1024,
                2 * (megabytes + 1) + 32);
    std::printf("failures: %zu conversions, copies %s\n", failures, copied ? "all good" : "FAILED");
    std::filesystem::current_path(std::filesystem::path(folder).parent_path());
    std::filesystem::remove_all(folder);
    return failures == 0 && copied ? 0 : 1;
}
