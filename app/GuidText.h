// GUIDs as text in the registry form "{B51FBAD2-8BA9-4427-BBD6-5B03A3F5C3C0}".
#pragma once

#include "sdk/guid.h"

#include <string>

std::string FormatGuid(const GUID& g);
