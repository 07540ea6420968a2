#include "app/win/keep_awake.h"

namespace dm {

std::unique_ptr<KeepAwake> MakeProgramKeepAwake() { return MakeSystemKeepAwake(); }

}  // namespace dm
