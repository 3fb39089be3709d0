#include "sdk/service_factory.h"

// Constant-initialised, so factories constructed during static initialisation of any
// translation unit find it ready.
service_factory_base* service_factory_base::__internal__list = nullptr;
