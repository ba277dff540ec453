#pragma once
// The runtime's last-error cell: every public operation stores its outcome here
// and returns the same code.

#include <cstdint>

namespace vz {

enum ErrorCode : std::int32_t {
    ERR_OK = 0,             // success
    ERR_ILLEGAL_CALL = 1,   // bad argument, missing page or mode, no screen
    ERR_OUT_OF_MEMORY = 4,  // an allocation failed
};

// Stores `code` as the last error and returns it.
std::int32_t set_last_error(std::int32_t code);
// The last stored code; 0 before any operation stored one.
std::int32_t get_last_error();

}  // namespace vz
