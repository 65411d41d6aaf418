#pragma once

#include <cstdint>

// Success and failure codes returned where callers compare against them.
using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = int32_t(0x80004005u);
