#include "sdk/dsp_preset.h"

#include <cstring>

bool dsp_preset::operator==(const dsp_preset& o) const {
    if (get_owner() != o.get_owner()) return false;
    const size_t n = get_data_size();
    if (n != o.get_data_size()) return false;
    return n == 0 || std::memcmp(get_data(), o.get_data(), n) == 0;
}

void dsp_preset_impl::set_data(const void* p_data, size_t p_data_size) {
    const uint8_t* p = static_cast<const uint8_t*>(p_data);
    if (!p) p_data_size = 0;
    std::vector<uint8_t> copy(p, p + p_data_size);  // p may point into our own data
    m_data.swap(copy);
}
