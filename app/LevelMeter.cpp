#include "app/LevelMeter.h"

#include <cmath>
#include <limits>

std::vector<double> ChannelRmsDb(const float* samples, uint64_t frames, unsigned channels) {
    std::vector<double> sum(channels, 0.0);
    for (uint64_t f = 0; f < frames; ++f)
        for (unsigned c = 0; c < channels; ++c) {
            double v = samples[f * channels + c];
            sum[c] += v * v;
        }
    std::vector<double> db(channels, -std::numeric_limits<double>::infinity());
    for (unsigned c = 0; c < channels; ++c)
        if (frames && sum[c] > 0) db[c] = 10.0 * std::log10(sum[c] / double(frames));
    return db;
}
