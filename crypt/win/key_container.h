// The check the library makes when it is loaded: the user's default key
// container of the Microsoft Base Cryptographic Provider must exist and hold
// a signature and a key-exchange key pair; whatever is missing is created.
#pragma once

namespace dm::crypt {

// False when the container cannot be opened or created, or a key pair is
// neither there nor can be generated.
bool EnsureDefaultKeyContainer();

}  // namespace dm::crypt
