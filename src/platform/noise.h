// Smooth one-dimensional value noise and the uniform random values every particle and animation draws.
#pragma once

#include <cstdint>

// Value noise on the integer lattice with cosine interpolation.
double Noise1D(double x);
// Sum over octaves k = 0..octaves-1 of persistence^k * Noise1D(2^k * x / wavelength); 0 for octaves <= 0.
double FractalNoise1D(double x, double wavelength, double persistence, int octaves);
// The lattice value of n, in (-1, 1].
double NoiseLattice(int32_t n);

// The C run-time's generator as the program's own function, so that no other module in the process
// (a system DLL calling rand) moves it on: state = state * 214013 + 2531011, result (state >> 16) & 0x7FFF,
// state 1 at start and never seeded, so every run replays the same sequence.
int CrtRand();
const int kCrtRandMax = 32767;
// Tests only: puts the generator back to a state (1 is the start).
void ResetCrtRand(uint32_t state = 1);

// a + CrtRand() / 32767 * (b - a); both ends can come out.
float RandomFloat(float a, float b);
