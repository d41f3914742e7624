// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's picture maker and its decode anchor, on TurboJPEG alone.
//
//   ocellus_bench_decode make <folder> <cameras> <variants> [<target-bytes>]
//       Writes <folder>/c<camera>_v<variant>.jpg: 1920 x 1080, baseline JFIF, quality 90,
//       4:2:0, each picture different from every other, about <target-bytes> (default
//       300000) each. Prints one line per camera: "camera <n> noise <amplitude>".
//   ocellus_bench_decode decode [--repeat <n>] [--scale <1|2|4|8>] [--no-warm-up] <file>...
//       Decodes every file fully (or at 1/scale) to 32-bit pixels <n> times (default 5),
//       after one untimed pass (none with --no-warm-up, for a light sample taken while
//       something else runs), and prints key=value figures per picture over all passes:
//       the median and mean wall milliseconds, and the median thread CPU milliseconds.
//       Then does the same at 1/8 scale (the decode a camera slot needs) and prints its
//       figures on the same line, each key prefixed with "eighth_":
//         pictures=24 repeat=5 scale=1 median_ms=... mean_ms=... min_ms=... median_cpu_ms=...
//         eighth_median_ms=... eighth_mean_ms=... eighth_min_ms=... eighth_median_cpu_ms=...
//
// Exit status 0 on success, 1 on a decode or file failure, 2 on a usage error.

#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;

struct TjDeleter
{
    void operator()(void *handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDeleter>;

int usage()
{
    std::fputs(
        "usage: ocellus_bench_decode make <folder> <cameras> <variants> [<target-bytes>]\n"
        "       ocellus_bench_decode decode [--repeat <n>] [--scale <1|2|4|8>] [--no-warm-up] <file>...\n",
        stderr);
    return 2;
}

bool readFile(const std::string &path, std::vector<unsigned char> &bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.good() || in.eof();
}

bool writeFile(const std::string &path, const unsigned char *data, unsigned long size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    return out.good();
}

// A scene that differs per camera (gradient, colours, layout) and per variant (moving
// shapes), with grain of the given amplitude: smooth parts compress well, grain sets the size.
void paintScene(std::vector<unsigned char> &rgb, int camera, int variant, double grain)
{
    std::mt19937 layout(static_cast<unsigned>(1000 + camera));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double base[3];
    double slopeX[3];
    double slopeY[3];
    for (int k = 0; k < 3; ++k) {
        base[k] = 40 + unit(layout) * 120;
        slopeX[k] = (unit(layout) - 0.5) * 120.0 / Width;
        slopeY[k] = (unit(layout) - 0.5) * 120.0 / Height;
    }
    for (int y = 0; y < Height; ++y) {
        unsigned char *row = &rgb[static_cast<size_t>(y) * Width * 3];
        // Fine texture (brick-like stripes) in the lower third, like a wall or a road.
        const bool textured = y > Height * 2 / 3;
        for (int x = 0; x < Width; ++x) {
            const double shade = textured && ((x / 24 + y / 12) % 2) == 0 ? -25 : 0;
            for (int k = 0; k < 3; ++k)
                row[x * 3 + k] = static_cast<unsigned char>(base[k] + slopeX[k] * x + slopeY[k] * y + shade);
        }
    }
    for (int shape = 0; shape < 12; ++shape) {
        const double r = 40 + unit(layout) * 160;
        const double cx = unit(layout) * Width + (unit(layout) - 0.5) * 60 * variant;
        const double cy = unit(layout) * Height + (unit(layout) - 0.5) * 40 * variant;
        unsigned char colour[3];
        for (unsigned char &c : colour)
            c = static_cast<unsigned char>(unit(layout) * 255);
        const int y0 = std::max(0, static_cast<int>(cy - r));
        const int y1 = std::min(Height, static_cast<int>(cy + r) + 1);
        const int x0 = std::max(0, static_cast<int>(cx - r));
        const int x1 = std::min(Width, static_cast<int>(cx + r) + 1);
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r)
                    std::memcpy(&rgb[(static_cast<size_t>(y) * Width + x) * 3], colour, 3);
            }
        }
    }
    // Grain: a triangular distribution of width 2 x grain, from a xorshift generator.
    uint32_t state = static_cast<uint32_t>(camera * 7919 + variant * 104729 + 1);
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (unsigned char &v : rgb) {
        const uint32_t r = next();
        const double g = (double(r & 0xFFFF) + double(r >> 16)) / 65535.0 - 1.0; // -1..1
        v = static_cast<unsigned char>(std::clamp(double(v) + g * grain, 0.0, 255.0));
    }
}

bool encode(void *compressor, const std::vector<unsigned char> &rgb, std::vector<unsigned char> &jpeg)
{
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (tjCompress2(
            compressor, rgb.data(), Width, Width * 3, Height, TJPF_RGB, &buffer, &size, TJSAMP_420, 90, 0)
        != 0) {
        std::fprintf(stderr, "encode: %s\n", tjGetErrorStr2(compressor));
        tjFree(buffer);
        return false;
    }
    jpeg.assign(buffer, buffer + size);
    tjFree(buffer);
    return true;
}

int make(int argc, char **argv)
{
    if (argc < 5)
        return usage();
    const std::string folder = argv[2];
    const int cameras = std::atoi(argv[3]);
    const int variants = std::atoi(argv[4]);
    const double target = argc > 5 ? std::atof(argv[5]) : 300000.0;
    if (cameras <= 0 || variants <= 0 || target <= 0)
        return usage();

    TjHandle compressor(tjInitCompress());
    if (!compressor)
        return 1;
    std::vector<unsigned char> rgb(static_cast<size_t>(Width) * Height * 3);
    std::vector<unsigned char> jpeg;
    for (int camera = 0; camera < cameras; ++camera) {
        // Grain amplitude found on variant 0 by bisection, then used for every variant.
        double low = 0.0;
        double high = 60.0;
        double grain = 8.0;
        for (int step = 0; step < 6; ++step) {
            grain = (low + high) / 2;
            paintScene(rgb, camera, 0, grain);
            if (!encode(compressor.get(), rgb, jpeg))
                return 1;
            if (std::fabs(double(jpeg.size()) - target) < target * 0.04)
                break;
            (double(jpeg.size()) < target ? low : high) = grain;
        }
        for (int variant = 0; variant < variants; ++variant) {
            paintScene(rgb, camera, variant, grain);
            if (!encode(compressor.get(), rgb, jpeg))
                return 1;
            const std::string path
                = folder + "/c" + std::to_string(camera) + "_v" + std::to_string(variant) + ".jpg";
            if (!writeFile(path, jpeg.data(), jpeg.size())) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
        std::printf("camera %d noise %.2f bytes %zu\n", camera, grain, jpeg.size());
        std::fflush(stdout);
    }
    return 0;
}

// Wall and thread CPU milliseconds of every timed decode.
struct Timings
{
    std::vector<double> wall;
    std::vector<double> cpu;
};

double threadCpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Decodes every picture at 1/scale to 32-bit pixels `repeat` times, after one untimed pass
// when `warmUp`.
bool measure(void *decompressor, const std::vector<std::vector<unsigned char>> &pictures, int repeat,
    int scale, bool warmUp, Timings &timings)
{
    std::vector<unsigned char> pixels;
    for (int pass = warmUp ? -1 : 0; pass < repeat; ++pass) {
        for (const std::vector<unsigned char> &jpeg : pictures) {
            const auto start = std::chrono::steady_clock::now();
            const double startCpu = threadCpuMs();
            int width = 0;
            int height = 0;
            int subsampling = 0;
            int colourspace = 0;
            if (tjDecompressHeader3(
                    decompressor, jpeg.data(), jpeg.size(), &width, &height, &subsampling, &colourspace)
                != 0)
                return false;
            const int w = (width + scale - 1) / scale;
            const int h = (height + scale - 1) / scale;
            pixels.resize(static_cast<size_t>(w) * h * 4);
            if (tjDecompress2(
                    decompressor, jpeg.data(), jpeg.size(), pixels.data(), w, w * 4, h, TJPF_BGRX, 0)
                != 0) {
                std::fprintf(stderr, "decode: %s\n", tjGetErrorStr2(decompressor));
                return false;
            }
            const double ms
                = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            const double cpuMs = threadCpuMs() - startCpu;
            if (pass >= 0) {
                timings.wall.push_back(ms);
                timings.cpu.push_back(cpuMs);
            }
        }
    }
    return true;
}

// "<prefix>median_ms=... <prefix>mean_ms=... <prefix>min_ms=... <prefix>median_cpu_ms=..."
void printFigures(const char *prefix, Timings timings)
{
    std::sort(timings.wall.begin(), timings.wall.end());
    std::sort(timings.cpu.begin(), timings.cpu.end());
    double sum = 0;
    for (const double t : timings.wall)
        sum += t;
    std::printf("%smedian_ms=%.4f %smean_ms=%.4f %smin_ms=%.4f %smedian_cpu_ms=%.4f", prefix,
        timings.wall[timings.wall.size() / 2], prefix, sum / double(timings.wall.size()), prefix,
        timings.wall.front(), prefix, timings.cpu[timings.cpu.size() / 2]);
}

int decode(int argc, char **argv)
{
    int repeat = 5;
    int scale = 1;
    bool warmUp = true;
    std::vector<std::string> files;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--repeat" && i + 1 < argc)
            repeat = std::atoi(argv[++i]);
        else if (arg == "--scale" && i + 1 < argc)
            scale = std::atoi(argv[++i]);
        else if (arg == "--no-warm-up")
            warmUp = false;
        else
            files.push_back(arg);
    }
    if (files.empty() || repeat <= 0 || (scale != 1 && scale != 2 && scale != 4 && scale != 8))
        return usage();

    std::vector<std::vector<unsigned char>> pictures(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (!readFile(files[i], pictures[i])) {
            std::fprintf(stderr, "cannot read %s\n", files[i].c_str());
            return 1;
        }
    }
    TjHandle decompressor(tjInitDecompress());
    if (!decompressor)
        return 1;
    Timings asked;
    Timings eighth;
    if (!measure(decompressor.get(), pictures, repeat, scale, warmUp, asked)
        || !measure(decompressor.get(), pictures, repeat, 8, warmUp, eighth))
        return 1;
    std::printf("pictures=%zu repeat=%d scale=%d ", pictures.size(), repeat, scale);
    printFigures("", asked);
    std::printf(" ");
    printFigures("eighth_", eighth);
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "make")
        return make(argc, argv);
    if (command == "decode")
        return decode(argc, argv);
    return usage();
}
