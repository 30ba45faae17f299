#pragma once

#include <stdexcept>
#include <string>

// Input that is not what an import can take: the message names the file, the resource where
// there is one, and the reason.
class FhirRefusal : public std::runtime_error {
public:
    explicit FhirRefusal(const std::string& message) : std::runtime_error(message) {}
};
