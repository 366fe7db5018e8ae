// Early return for functions that pass a failing HRESULT up unchanged.
#pragma once

#include "common/platform_types.h"

#define RETURN_IF_FAILED(expression)      \
  do {                                    \
    const HRESULT result_ = (expression); \
    if (result_ < 0) return result_;      \
  } while (false)
