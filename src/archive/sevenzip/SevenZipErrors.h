#pragma once
// The errors the component raises, in a header of their own: the component's lowest files
// (the library link, the output stream) raise them without knowing the packer.

#include "core/UserError.h"

#include <stdexcept>
#include <string>

// Raised when the 7-Zip library cannot be loaded; what() is the user-facing Polish text.
class SevenZipLibraryError : public UserError {
public:
    using UserError::UserError;
};

// Raised (without a message) when the output file cannot be created or dated.
class StreamWriteError : public std::runtime_error {
public:
    StreamWriteError() : std::runtime_error(std::string()) {}
};
