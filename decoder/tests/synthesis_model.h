// Double-precision model of the standard's synthesis subband filter: the
// 1024-value FIFO V, matrixing with cos((16 + i)(2k + 1) pi / 64) and the
// window D applied to the vector U, exactly as the standard writes them.
#pragma once
#include <cmath>
#include <cstring>

#include "tables.h"

// With q14Window the window's coefficients are first rounded to 14 fractional
// bits as the decoder stores them.
struct SynthesisModel {
  double v[1024] = {};
  bool q14Window = false;

  double D(int i) const {
    int r = i <= 256 ? i : 512 - i;
    double d = kSynthesisWindowHalf[r] / 65536.0;
    if (q14Window) d = std::round(d * 16384.0) / 16384.0;
    return (i > 256 && i % 64 != 0) ? -d : d;
  }

  // 32 subband samples (full scale 1.0) to 32 PCM samples.
  void Block(const double* s, double* out) {
    std::memmove(v + 64, v, 960 * sizeof(double));
    for (int i = 0; i < 64; i++) {
      double sum = 0;
      for (int k = 0; k < 32; k++) sum += std::cos((16 + i) * (2 * k + 1) * M_PI / 64) * s[k];
      v[i] = sum;
    }
    double u[512];
    for (int i = 0; i < 8; i++)
      for (int j = 0; j < 32; j++) {
        u[i * 64 + j] = v[i * 128 + j];
        u[i * 64 + 32 + j] = v[i * 128 + 96 + j];
      }
    for (int j = 0; j < 32; j++) {
      double sum = 0;
      for (int i = 0; i < 16; i++) sum += u[j + 32 * i] * D(j + 32 * i);
      out[j] = sum;
    }
  }
};
