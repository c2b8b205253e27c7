// Every export binds by name from the shared library, as the program and the
// control bind it.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <vector>

#include "Sigdex.h"

TEST(SigdexBinding, EveryExportResolvesByNameAndRuns)
{
    void* lib = dlopen("libSigdex.so", RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        lib = dlopen(SIGDEX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const char* name :
         {"FFT", "Modulo", "FFTCerrar", "Hamming", "Diezma", "DiezmaSinAliasing", "Interpolar",
          "InterpolarCerrar", "CambioFM", "FPBFiltrar", "FPBCerrar", "PosMax", "PosMin", "Suma",
          "Resta", "Promedia", "Copia"}) {
        EXPECT_NE(dlsym(lib, name), nullptr) << name;
    }
    // Internal helpers stay hidden.
    EXPECT_EQ(dlsym(lib, "_ZN4orva6sigdex7FftPlan5BuildEi"), nullptr);

    // A call through the bound pointer behaves as the linked one.
    auto fft = reinterpret_cast<decltype(&FFT)>(dlsym(lib, "FFT"));
    ASSERT_NE(fft, nullptr);
    std::vector<float> re(8, 1.0f), im(8, 0.0f);
    fft(re.data(), im.data(), 8);
    EXPECT_FLOAT_EQ(re[4], 8.0f);
    auto posMax = reinterpret_cast<decltype(&PosMax)>(dlsym(lib, "PosMax"));
    double value = 0;
    EXPECT_EQ(posMax(re.data(), 8, &value), 4);
    EXPECT_EQ(value, 8.0);
    dlclose(lib);
}
