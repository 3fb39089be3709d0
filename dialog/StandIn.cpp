#include "dialog/DialogSdk.h"
cfg_int_t<int> cfg_halvane_tab(0);
