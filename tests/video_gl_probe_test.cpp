#include "video_gl_probe.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

TEST(SoftwareGl, RecognisedFromTheRendererString) {
    struct Case {
        const char* renderer;
        bool software;
    };
    const Case cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {"llvmpipe (LLVM 11.0.1, 128 bits)", true},
        {"Gallium 0.4 on llvmpipe (LLVM 3.4, 128 bits)", true},
        {"softpipe", true},
        {"Gallium 0.4 on softpipe", true},
        {"Software Rasterizer", true},
        {"Mesa X11 swrast", true},
        {"GDI Generic", true},
        {"Apple Software Renderer", true},
        // What a browser without a GPU names its WebGL.
        {"ANGLE (Google, Vulkan 1.3.0 (SwiftShader Device (Subzero) (0x0000C0DE)), SwiftShader "
         "driver)",
         true},
        {"Google SwiftShader", true},
        {"ANGLE (NVIDIA, NVIDIA GeForce RTX 3060 (0x00002503) Direct3D11 vs_5_0 ps_5_0, D3D11)",
         false},
        {"WebKit WebGL", false},
        {"Apple M1", false},
        {"Mesa DRI Intel(R) HD Graphics 620 (KBL GT2)", false},
        {"Mesa Intel(R) UHD Graphics 630 (CFL GT2)", false},
        {"AMD Radeon RX 580 (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-18-amd64)", false},
        {"NVIDIA GeForce GTX 1060/PCIe/SSE2", false},
        {"virgl", false},
        {"SVGA3D; build: RELEASE;  LLVM;", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isSoftwareGlRenderer(c.renderer), c.software) << c.renderer;
    }
    EXPECT_FALSE(isSoftwareGlRenderer(nullptr));
}

// A page knows its WebGL's name: given, it is taken as it is and no helper is started, even
// where a probe would otherwise run.
TEST(GlProbe, ARendererNameTheHostGivesIsTakenWithoutAProbe) {
    const char* const names[] = {"ANGLE (Google, Vulkan 1.3.0 (SwiftShader Device))",
                                 "NVIDIA GeForce GTX 1060/PCIe/SSE2"};
    for (const char* name : names) {
        SDL_setenv(kKnownGlRendererVariable, name, 1);
        GlProbe probe = startGlProbe();
        EXPECT_EQ(probe.name, name);
        EXPECT_EQ(probe.helper.process, -1) << name;
        endGlProbe(probe);
    }
    // Empty is not given: the other tests' processes probe as before.
    SDL_setenv(kKnownGlRendererVariable, "", 1);
}
