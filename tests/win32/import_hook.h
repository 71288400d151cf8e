// Puts a function of the test's own in place of one Win32 function that this executable imports,
// for the life of the object. Tests use it to watch the few calls a behaviour hangs on (timers,
// fonts, port settings) or to play a device that refuses something, while every other call of
// the program goes to Windows unchanged.
#pragma once

#include <windows.h>

namespace vemtora::test {

// The import address table slot of dll!function in this executable, or nullptr when the
// executable does not import it (then nothing in it can call the function).
void** findImportSlot(const char* dll, const char* function);
void writeImportSlot(void** slot, void* value);

template <typename Function>
class ImportHook {
public:
    ImportHook(const char* dll, const char* function, Function replacement) : slot_(findImportSlot(dll, function)) {
        if (slot_ == nullptr) return;
        original_ = reinterpret_cast<Function>(*slot_);
        writeImportSlot(slot_, reinterpret_cast<void*>(replacement));
    }
    ~ImportHook() {
        if (slot_ != nullptr) writeImportSlot(slot_, reinterpret_cast<void*>(original_));
    }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool imported() const { return slot_ != nullptr; }
    // The real function, for the replacement to call on.
    Function original() const { return original_; }

private:
    void** slot_;
    Function original_ = nullptr;
};

}  // namespace vemtora::test
