// libSigdex against FFTW3 (single precision), measured side by side.
//
// Every FFTW peer performs the same operation as the library call it is set
// against, including the centring: FFT on split re/im arrays in place with
// zero frequency at N/2; Interpolar and FPBFiltrar with the same spectral
// steps (forward transform, scaling, padding or bin removal, inverse
// transform, real part). FFTW plans are made with FFTW_MEASURE. The FFT peer
// is built two ways (FFTW's split-array interface in place plus a half swap,
// and an interleaved buffer with the centring folded into the copies); the
// ratio is taken against the faster of the two. After the runs a table gives
// our time divided by FFTW's, each from the fastest of several repetitions.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "Sigdex.h"

namespace {

std::vector<float> Random(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (auto& x : v)
        x = d(gen);
    return v;
}

struct FftwBuffer {
    explicit FftwBuffer(std::size_t n) : p(fftwf_alloc_complex(n)) {}
    ~FftwBuffer() { fftwf_free(p); }
    FftwBuffer(const FftwBuffer&) = delete;
    FftwBuffer& operator=(const FftwBuffer&) = delete;
    fftwf_complex* p;
};

struct FloatBuffer {
    explicit FloatBuffer(std::size_t n) : p(fftwf_alloc_real(n)) {}
    ~FloatBuffer() { fftwf_free(p); }
    FloatBuffer(const FloatBuffer&) = delete;
    FloatBuffer& operator=(const FloatBuffer&) = delete;
    float* p;
};

// ---- FFT ------------------------------------------------------------------

void SigdexFft(benchmark::State& state, int n)
{
    std::vector<float> re = Random(static_cast<std::size_t>(n), 1);
    std::vector<float> im = Random(static_cast<std::size_t>(n), 2);
    FFT(re.data(), im.data(), n);  // tables built outside the timing
    for (auto _ : state) {
        FFT(re.data(), im.data(), n);
        benchmark::DoNotOptimize(re.data());
        benchmark::ClobberMemory();
    }
}

void FftwSplitFft(benchmark::State& state, int n)
{
    FloatBuffer re(static_cast<std::size_t>(n)), im(static_cast<std::size_t>(n));
    fftw_iodim dim{n, 1, 1};
    fftwf_plan plan =
        fftwf_plan_guru_split_dft(1, &dim, 0, nullptr, re.p, im.p, re.p, im.p, FFTW_MEASURE);
    const std::vector<float> r = Random(static_cast<std::size_t>(n), 1), i = Random(static_cast<std::size_t>(n), 2);
    std::copy(r.begin(), r.end(), re.p);
    std::copy(i.begin(), i.end(), im.p);
    const int h = n / 2;
    for (auto _ : state) {
        fftwf_execute_split_dft(plan, re.p, im.p, re.p, im.p);
        std::swap_ranges(re.p, re.p + h, re.p + h);  // centring
        std::swap_ranges(im.p, im.p + h, im.p + h);
        benchmark::DoNotOptimize(re.p);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
}

void FftwInterleavedFft(benchmark::State& state, int n)
{
    FftwBuffer buf(static_cast<std::size_t>(n));
    fftwf_plan plan = fftwf_plan_dft_1d(n, buf.p, buf.p, FFTW_FORWARD, FFTW_MEASURE);
    std::vector<float> re = Random(static_cast<std::size_t>(n), 1);
    std::vector<float> im = Random(static_cast<std::size_t>(n), 2);
    for (auto _ : state) {
        // (-1)^j modulation moves zero frequency to N/2: the centring.
        for (int j = 0; j < n; j += 2) {
            buf.p[j][0] = re[static_cast<std::size_t>(j)];
            buf.p[j][1] = im[static_cast<std::size_t>(j)];
            buf.p[j + 1][0] = -re[static_cast<std::size_t>(j + 1)];
            buf.p[j + 1][1] = -im[static_cast<std::size_t>(j + 1)];
        }
        fftwf_execute(plan);
        for (int k = 0; k < n; ++k) {
            re[static_cast<std::size_t>(k)] = buf.p[k][0];
            im[static_cast<std::size_t>(k)] = buf.p[k][1];
        }
        benchmark::DoNotOptimize(re.data());
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
}

// ---- Interpolar -------------------------------------------------------------

void SigdexInterpolar(benchmark::State& state, int n1, int n2)
{
    const std::vector<float> in = Random(static_cast<std::size_t>(n1), 3);
    std::vector<float> out(static_cast<std::size_t>(n2));
    Interpolar(in.data(), out.data(), static_cast<int16_t>(n1), static_cast<int16_t>(n2));
    for (auto _ : state) {
        Interpolar(in.data(), out.data(), static_cast<int16_t>(n1), static_cast<int16_t>(n2));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

// Forward c2c of the real input, scale by 1/n1, zero-pad the centre band into
// n2 bins (Nyquist bin once, negative side), backward c2c, real part.
void FftwInterpolar(benchmark::State& state, int n1, int n2)
{
    FftwBuffer a(static_cast<std::size_t>(n1)), b(static_cast<std::size_t>(n2));
    fftwf_plan p1 = fftwf_plan_dft_1d(n1, a.p, a.p, FFTW_FORWARD, FFTW_MEASURE);
    fftwf_plan p2 = fftwf_plan_dft_1d(n2, b.p, b.p, FFTW_BACKWARD, FFTW_MEASURE);
    const std::vector<float> in = Random(static_cast<std::size_t>(n1), 3);
    std::vector<float> out(static_cast<std::size_t>(n2));
    const int h = n1 / 2;
    const float scale = 1.0f / static_cast<float>(n1);
    for (auto _ : state) {
        for (int j = 0; j < n1; ++j) {
            a.p[j][0] = in[static_cast<std::size_t>(j)];
            a.p[j][1] = 0.0f;
        }
        fftwf_execute(p1);
        std::memset(b.p, 0, sizeof(fftwf_complex) * static_cast<std::size_t>(n2));
        for (int k = 0; k < h; ++k) {
            b.p[k][0] = a.p[k][0] * scale;
            b.p[k][1] = a.p[k][1] * scale;
            b.p[n2 - h + k][0] = a.p[h + k][0] * scale;
            b.p[n2 - h + k][1] = a.p[h + k][1] * scale;
        }
        fftwf_execute(p2);
        for (int j = 0; j < n2; ++j)
            out[static_cast<std::size_t>(j)] = b.p[j][0];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(p1);
    fftwf_destroy_plan(p2);
}

// The same with FFTW's real transforms (r2c, c2r): the unpaired n1/2 bin is
// split between +n1/2 and -n1/2, as the real part of the c2c result implies.
void FftwInterpolarReal(benchmark::State& state, int n1, int n2)
{
    FloatBuffer a(static_cast<std::size_t>(n1)), out(static_cast<std::size_t>(n2));
    FftwBuffer x(static_cast<std::size_t>(n1 / 2 + 1)), h(static_cast<std::size_t>(n2 / 2 + 1));
    fftwf_plan p1 = fftwf_plan_dft_r2c_1d(n1, a.p, x.p, FFTW_MEASURE);
    fftwf_plan p2 = fftwf_plan_dft_c2r_1d(n2, h.p, out.p, FFTW_MEASURE);
    const std::vector<float> in = Random(static_cast<std::size_t>(n1), 3);
    std::copy(in.begin(), in.end(), a.p);
    const int b = n1 / 2;
    const float scale = 1.0f / static_cast<float>(n1);
    for (auto _ : state) {
        fftwf_execute(p1);  // out of place: the input is preserved
        std::memset(h.p, 0, sizeof(fftwf_complex) * static_cast<std::size_t>(n2 / 2 + 1));
        for (int k = 0; k < b; ++k) {
            h.p[k][0] = x.p[k][0] * scale;
            h.p[k][1] = x.p[k][1] * scale;
        }
        h.p[b][0] = x.p[b][0] * scale * 0.5f;
        fftwf_execute(p2);
        benchmark::DoNotOptimize(out.p);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(p1);
    fftwf_destroy_plan(p2);
}

// ---- FPBFiltrar -------------------------------------------------------------

constexpr double kRate = 8192.0;
constexpr double kCutOff = 1000.0;

void SigdexLowPass(benchmark::State& state, int n)
{
    const std::vector<float> in = Random(static_cast<std::size_t>(n), 4);
    std::vector<float> out(static_cast<std::size_t>(n));
    FPBFiltrar(in.data(), out.data(), static_cast<int16_t>(n), kRate, kCutOff);
    for (auto _ : state) {
        FPBFiltrar(in.data(), out.data(), static_cast<int16_t>(n), kRate, kCutOff);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void FftwLowPass(benchmark::State& state, int n)
{
    FftwBuffer a(static_cast<std::size_t>(n));
    fftwf_plan fwd = fftwf_plan_dft_1d(n, a.p, a.p, FFTW_FORWARD, FFTW_MEASURE);
    fftwf_plan bwd = fftwf_plan_dft_1d(n, a.p, a.p, FFTW_BACKWARD, FFTW_MEASURE);
    const std::vector<float> in = Random(static_cast<std::size_t>(n), 4);
    std::vector<float> out(static_cast<std::size_t>(n));
    const int z = static_cast<int>((kRate - 2 * kCutOff) * n / kRate * 0.5);
    const float scale = 1.0f / static_cast<float>(n);
    for (auto _ : state) {
        for (int j = 0; j < n; ++j) {
            a.p[j][0] = in[static_cast<std::size_t>(j)];
            a.p[j][1] = 0.0f;
        }
        fftwf_execute(fwd);
        for (int k = 0; k < n; ++k) {
            a.p[k][0] *= scale;
            a.p[k][1] *= scale;
        }
        // Natural indexes n/2 - z + 1 .. n/2 + z - 1 are the removed band.
        for (int k = n / 2 - z + 1; k <= n / 2 + z - 1; ++k) {
            a.p[k][0] = 0.0f;
            a.p[k][1] = 0.0f;
        }
        fftwf_execute(bwd);
        for (int j = 0; j < n; ++j)
            out[static_cast<std::size_t>(j)] = a.p[j][0];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(fwd);
    fftwf_destroy_plan(bwd);
}

void FftwLowPassReal(benchmark::State& state, int n)
{
    FloatBuffer a(static_cast<std::size_t>(n)), out(static_cast<std::size_t>(n));
    FftwBuffer x(static_cast<std::size_t>(n / 2 + 1));
    fftwf_plan fwd = fftwf_plan_dft_r2c_1d(n, a.p, x.p, FFTW_MEASURE);
    fftwf_plan bwd = fftwf_plan_dft_c2r_1d(n, x.p, out.p, FFTW_MEASURE);
    const std::vector<float> in = Random(static_cast<std::size_t>(n), 4);
    std::copy(in.begin(), in.end(), a.p);
    const int z = static_cast<int>((kRate - 2 * kCutOff) * n / kRate * 0.5);
    const float scale = 1.0f / static_cast<float>(n);
    for (auto _ : state) {
        fftwf_execute(fwd);
        for (int k = 0; k <= n / 2; ++k) {
            x.p[k][0] *= scale;
            x.p[k][1] *= scale;
        }
        for (int k = n / 2 - z + 1; k <= n / 2; ++k) {
            x.p[k][0] = 0.0f;
            x.p[k][1] = 0.0f;
        }
        fftwf_execute(bwd);
        benchmark::DoNotOptimize(out.p);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(fwd);
    fftwf_destroy_plan(bwd);
}

// ---- Conversion and thinning ------------------------------------------------

void SigdexCopia(benchmark::State& state)
{
    std::vector<uint8_t> raw(8200);
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<uint8_t>(i * 31);
    std::vector<float> out(8200);
    for (auto _ : state) {
        Copia(raw.data(), out.data(), 8200, 0, -3);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

// The memory-speed yardstick: read 8200 bytes, write 8200 floats.
void PlainByteToFloat(benchmark::State& state)
{
    std::vector<uint8_t> raw(8200);
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<uint8_t>(i * 31);
    std::vector<float> out(8200);
    for (auto _ : state) {
        const uint8_t* src = raw.data();
        float* dst = out.data();
        for (std::size_t i = 0; i < 8200; ++i)
            dst[i] = src[i];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void SigdexDiezma(benchmark::State& state, int nin, int nout, bool peaks)
{
    const std::vector<float> in = Random(static_cast<std::size_t>(nin), 5);
    std::vector<float> out(static_cast<std::size_t>(nout));
    for (auto _ : state) {
        if (peaks)
            DiezmaSinAliasing(in.data(), static_cast<int16_t>(nin), out.data(), static_cast<int16_t>(nout));
        else
            Diezma(in.data(), static_cast<int16_t>(nin), out.data(), static_cast<int16_t>(nout));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

// ---- Collection and the ratio table ----------------------------------------

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that a captured run reads cleanly.
    CollectingReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred)
                continue;
            const double ns = r.GetAdjustedCPUTime() *
                              (1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit));
            const std::string name = r.run_name.function_name;
            auto it = best_.find(name);
            if (it == best_.end() || ns < it->second)
                best_[name] = ns;
        }
    }
    double Best(const std::string& name) const
    {
        auto it = best_.find(name);
        return it == best_.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> best_;
};

std::string Name(const std::string& family, const std::string& who, const std::string& size)
{
    return family + "/" + who + "/" + size;
}

}  // namespace

int main(int argc, char** argv)
{
    const int fftSizes[] = {512, 2048, 8192, 16384};
    for (int n : fftSizes) {
        const std::string s = std::to_string(n);
        benchmark::RegisterBenchmark(Name("FFT", "Sigdex", s).c_str(), SigdexFft, n);
        benchmark::RegisterBenchmark(Name("FFT", "FFTW-split", s).c_str(), FftwSplitFft, n);
        benchmark::RegisterBenchmark(Name("FFT", "FFTW-interleaved", s).c_str(), FftwInterleavedFft, n);
    }
    const std::pair<int, int> interp[] = {{256, 2048}, {2048, 8192}};
    for (auto [a, b] : interp) {
        const std::string s = std::to_string(a) + "to" + std::to_string(b);
        benchmark::RegisterBenchmark(Name("Interpolar", "Sigdex", s).c_str(), SigdexInterpolar, a, b);
        benchmark::RegisterBenchmark(Name("Interpolar", "FFTW", s).c_str(), FftwInterpolar, a, b);
        benchmark::RegisterBenchmark(Name("Interpolar", "FFTW-real", s).c_str(), FftwInterpolarReal, a, b);
    }
    benchmark::RegisterBenchmark("FPBFiltrar/Sigdex/8192", SigdexLowPass, 8192);
    benchmark::RegisterBenchmark("FPBFiltrar/FFTW/8192", FftwLowPass, 8192);
    benchmark::RegisterBenchmark("FPBFiltrar/FFTW-real/8192", FftwLowPassReal, 8192);
    benchmark::RegisterBenchmark("Copia/Sigdex/8200", SigdexCopia);
    benchmark::RegisterBenchmark("Copia/PlainLoop/8200", PlainByteToFloat);
    // Input and output counts of the instrument's timebases (ratios 1.25 .. 7.8125).
    const std::pair<int, int> thin[] = {{2048, 1638}, {2048, 1311}, {2592, 829},
                                        {3750, 768},  {4686, 768},  {6580, 842}};
    for (auto [a, b] : thin) {
        const std::string s = std::to_string(a) + "to" + std::to_string(b);
        benchmark::RegisterBenchmark(Name("Diezma", "Sigdex", s).c_str(), SigdexDiezma, a, b, false);
        benchmark::RegisterBenchmark(Name("DiezmaSinAliasing", "Sigdex", s).c_str(), SigdexDiezma, a, b, true);
    }

    // Several short repetitions; the fastest of each counts (the machine is shared).
    std::vector<char*> args(argv, argv + argc);
    std::string reps = "--benchmark_repetitions=5";
    std::string minTime = "--benchmark_min_time=0.1";
    args.push_back(reps.data());
    args.push_back(minTime.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nRatio table (our time / FFTW time; fastest of the repetitions)\n");
    std::printf("%-34s %12s %12s %8s %8s\n", "operation", "Sigdex ns", "FFTW ns", "ratio", "target");
    for (int n : fftSizes) {
        const std::string s = std::to_string(n);
        const double ours = reporter.Best(Name("FFT", "Sigdex", s));
        const double split = reporter.Best(Name("FFT", "FFTW-split", s));
        const double inter = reporter.Best(Name("FFT", "FFTW-interleaved", s));
        double peer = std::min(split > 0 ? split : 1e300, inter > 0 ? inter : 1e300);
        if (ours <= 0 || peer >= 1e300)
            continue;
        std::printf("%-34s %12.0f %12.0f %8.2f %8s\n", ("FFT N=" + s).c_str(), ours, peer, ours / peer,
                    ours / peer <= 2.0 ? "<=2.0 ok" : "<=2.0 MISS");
    }
    for (auto [a, b] : interp) {
        const std::string s = std::to_string(a) + "to" + std::to_string(b);
        const double ours = reporter.Best(Name("Interpolar", "Sigdex", s));
        const double peer = reporter.Best(Name("Interpolar", "FFTW", s));
        if (ours <= 0 || peer <= 0)
            continue;
        std::printf("%-34s %12.0f %12.0f %8.2f %8s\n",
                    ("Interpolar " + std::to_string(a) + "->" + std::to_string(b)).c_str(), ours, peer,
                    ours / peer, ours / peer <= 1.5 ? "<=1.5 ok" : "<=1.5 MISS");
        const double real = reporter.Best(Name("Interpolar", "FFTW-real", s));
        if (real > 0)
            std::printf("%-34s %12.0f %12.0f %8.2f %8s\n", "  same with FFTW r2c/c2r", ours, real,
                        ours / real, "(info)");
    }
    {
        const double ours = reporter.Best("FPBFiltrar/Sigdex/8192");
        const double peer = reporter.Best("FPBFiltrar/FFTW/8192");
        if (ours > 0 && peer > 0)
            std::printf("%-34s %12.0f %12.0f %8.2f %8s\n", "FPBFiltrar N=8192", ours, peer, ours / peer,
                        ours / peer <= 1.5 ? "<=1.5 ok" : "<=1.5 MISS");
        const double real = reporter.Best("FPBFiltrar/FFTW-real/8192");
        if (ours > 0 && real > 0)
            std::printf("%-34s %12.0f %12.0f %8.2f %8s\n", "  same with FFTW r2c/c2r", ours, real,
                        ours / real, "(info)");
    }
    std::printf("\nPer-call times (ns)\n");
    {
        const double ours = reporter.Best("Copia/Sigdex/8200");
        const double plain = reporter.Best("Copia/PlainLoop/8200");
        if (ours > 0)
            std::printf("%-34s %12.0f   (plain byte->float loop %.0f ns)\n", "Copia 8200 bytes", ours, plain);
    }
    for (auto [a, b] : thin) {
        const std::string s = std::to_string(a) + "to" + std::to_string(b);
        char label[64];
        std::snprintf(label, sizeof label, "%d->%d (ratio %.4g)", a, b, double(a) / b);
        const double d = reporter.Best(Name("Diezma", "Sigdex", s));
        const double p = reporter.Best(Name("DiezmaSinAliasing", "Sigdex", s));
        if (d > 0 || p > 0)
            std::printf("%-34s Diezma %8.0f   DiezmaSinAliasing %8.0f\n", label, d, p);
    }
    benchmark::Shutdown();
    return 0;
}
