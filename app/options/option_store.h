// Where the application options are kept. The program's store is the
// registry (app/options/win/registry_store.h); tests use the memory store.
//
// The options live in one key, "Software\Quorvanta\Drovenmark", which can
// sit in two places: machine-wide (HKEY_LOCAL_MACHINE) and per user
// (HKEY_CURRENT_USER). MachineOrUserStore decides which one is read and
// written; see there.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace dm {

inline constexpr char kOptionsKeyPath[] = "Software\\Quorvanta\\Drovenmark";

// One open options key.
class OptionKey {
 public:
  virtual ~OptionKey() = default;
  // Nothing when the value is missing or is not an integer.
  virtual std::optional<int> ReadInteger(const std::string& name) = 0;
  // "" when the value is missing; nothing when it exists but is not text.
  virtual std::optional<std::string> ReadText(const std::string& name) = 0;
  virtual bool WriteInteger(const std::string& name, int value) = 0;
  virtual bool WriteText(const std::string& name, const std::string& value) = 0;
};

// One place that can hold the options key (a registry root).
class OptionHive {
 public:
  virtual ~OptionHive() = default;
  virtual bool HasKey() = 0;
  // The existing key, for reading; null when there is none.
  virtual std::unique_ptr<OptionKey> OpenKey() = 0;
  // The key for writing, created when missing; null when this place refuses
  // (a standard user and the machine-wide root).
  virtual std::unique_ptr<OptionKey> CreateKey() = 0;
};

class OptionStore {
 public:
  virtual ~OptionStore() = default;
  // The key to load from; null when no place holds one (first start).
  virtual std::unique_ptr<OptionKey> OpenForReading() = 0;
  // The key to save into; null when no place can be written.
  virtual std::unique_ptr<OptionKey> OpenForWriting() = 0;
};

// The options belong to the machine, but a standard user cannot write the
// machine-wide root, and options that could not be saved would be lost at
// every exit without a word. So:
//   reading: the per-user key when it exists, else the machine-wide key;
//   writing: the per-user key when it exists; else the machine-wide key,
//            and when that cannot be opened for writing, a new per-user key.
// Reads and writes therefore always meet in the same key: once a user has
// a per-user copy (always a complete one, since saving writes every value),
// it is that user's options from then on.
class MachineOrUserStore : public OptionStore {
 public:
  enum class Place { kNone, kMachine, kUser };

  MachineOrUserStore(OptionHive& machine, OptionHive& user) : machine_(machine), user_(user) {}

  std::unique_ptr<OptionKey> OpenForReading() override;
  std::unique_ptr<OptionKey> OpenForWriting() override;

  // Where the last OpenForReading or OpenForWriting went.
  Place LastPlace() const { return lastPlace_; }

 private:
  OptionHive& machine_;
  OptionHive& user_;
  Place lastPlace_ = Place::kNone;
};

}  // namespace dm
