// The sample texts the kernels scan (samples.S). The kernels hold their addresses as
// immediates; C++ reads them only to report and to test.
#pragma once

extern "C" {
extern const char long_sample[512];
extern const char short_sample[16];
}
