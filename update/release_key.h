// The one public key the program trusts for updates: the two coordinates of
// an ECDSA P-256 key, X then Y. Each program file is linked with the key it
// was built for (the build variable UPDATE_KEY); nothing at run time can add
// or replace it.
#pragma once

#include <cstdint>

namespace dm {

extern const uint8_t kReleasePublicKey[64];

}  // namespace dm
