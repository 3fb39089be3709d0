// The 20 binaural room responses (headphone/hrir_bank.bin, built by tools/make_hrir_bank)
// assembled into the read-only data of the module: 655360 bytes of little-endian float32,
// 16-byte aligned, index ((flavour * 5 + source) * 2 + ear) * 8192 + tap.
#include "headphone/HVHeadphoneState.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the bank is stored little-endian");

asm(".pushsection .rodata\n"
    ".balign 16\n"
    ".globl hv_hrir_bank\n"
    ".hidden hv_hrir_bank\n"
    ".type hv_hrir_bank, @object\n"
    "hv_hrir_bank:\n"
    ".incbin \"" HV_HRIR_BANK_FILE "\"\n"
    ".size hv_hrir_bank, . - hv_hrir_bank\n"
    ".popsection\n");

extern "C" __attribute__((visibility("hidden"))) const float hv_hrir_bank[];

const float* const HRIR_TABLE = hv_hrir_bank;
