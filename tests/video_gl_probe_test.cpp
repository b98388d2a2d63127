#include "video_gl_probe.hpp"

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
