// exocheck's knowledge of the fifteen exercises apart from their data: which
// of them has a reference that mends its statement, and its mend (judge/mend.h).
#pragma once

#include <string_view>

#include "judge/mend.h"

namespace exocheck {

// The mend of the exercise named, or nullptr when it has none (as any
// exercise whose reference follows its statement).
Mend mend_of(std::string_view program);

}  // namespace exocheck
