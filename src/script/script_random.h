// The generator behind `random`: one per engine, seeded once, so that draws follow each other
// instead of restarting with every command. Seeded from the system's entropy source unless the
// command line gives a seed, which makes a scripted run repeat exactly.
#pragma once

#include <cstdint>
#include <random>

namespace textreel {

class ScriptRandom {
  public:
    ScriptRandom() : generator_(std::random_device{}()) {}
    explicit ScriptRandom(uint32_t seed) : generator_(seed) {}

    void Seed(uint32_t seed) { generator_.seed(seed); }

    // A number in 0..m-1, every one equally likely (m >= 1). Draws from the top of the generator's
    // range that would favour the small numbers are thrown away and drawn again, so the result is
    // the same for a given seed on every standard library.
    int32_t Draw(int32_t m) {
        const uint64_t range = uint64_t{std::mt19937::max()} + 1;
        const uint64_t span = static_cast<uint64_t>(m);
        const uint64_t limit = range - range % span;
        uint64_t x;
        do {
            x = generator_();
        } while (x >= limit);
        return static_cast<int32_t>(x % span);
    }

  private:
    std::mt19937 generator_;
};

}  // namespace textreel
