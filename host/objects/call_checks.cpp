#include "host/objects/call_checks.h"

#include <cmath>
#include <limits>

namespace cadhost {

[[noreturn]] void fail(ErrorKind kind, std::string text)
{
    throw HostError{kind, std::move(text)};
}

// Sorts the kind of a call as a COM server does: a method needs bit 1 (3 is fine, as callers
// send method-or-get), a property is read with 2 or 3 and written with 4; anything else,
// including kinds with other bits, is not a way to reach that member.
Use useOf(const std::string& name, Member member, std::int32_t kind)
{
    const auto notFound = [&] {
        fail(ErrorKind::MemberNotFound,
             "Member not found: " + name + " with kind " + std::to_string(kind));
    };
    if (kind < 1 || kind > 4) {
        notFound();
    }
    if (member.method) {
        if ((kind & 1) == 0) {
            notFound();
        }
        return Use::Method;
    }
    if (kind == 4 && member.writable) {
        return Use::Put;
    }
    if ((kind & 2) != 0 && member.readable) {
        return Use::Get;
    }
    notFound();
    return Use::Method; // not reached
}

void expectCount(const std::string& name, const std::vector<HostValue>& args, std::size_t least,
                 std::size_t most)
{
    if (args.size() < least || args.size() > most) {
        const std::string wanted = least == most
                                       ? std::to_string(least)
                                       : std::to_string(least) + " to " + std::to_string(most);
        fail(ErrorKind::BadParamCount, "Wrong number of arguments: " + name + " takes " + wanted +
                                           ", got " + std::to_string(args.size()));
    }
}

// Arguments are counted from 1 in the messages, as a caller writes them.
[[noreturn]] void mismatch(const std::string& name, std::size_t index)
{
    fail(ErrorKind::TypeMismatch,
         "Type mismatch: argument " + std::to_string(index + 1) + " of " + name);
}

std::int32_t intArg(const std::string& name, const std::vector<HostValue>& args, std::size_t i)
{
    if (const auto value = wholeOf(args[i])) {
        return *value;
    }
    // A whole double in range is the same number; a fraction is not silently rounded.
    if (const auto* value = std::get_if<double>(&args[i])) {
        if (std::isfinite(*value) && *value == std::trunc(*value) &&
            *value >= std::numeric_limits<std::int32_t>::min() &&
            *value <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(*value);
        }
    }
    mismatch(name, i);
}

double doubleArg(const std::string& name, const std::vector<HostValue>& args, std::size_t i)
{
    if (const auto* value = std::get_if<double>(&args[i]); value && std::isfinite(*value)) {
        return *value;
    }
    if (const auto value = wholeOf(args[i])) {
        return *value;
    }
    mismatch(name, i);
}

const std::string& stringArg(const std::string& name, const std::vector<HostValue>& args,
                             std::size_t i)
{
    if (const auto* value = std::get_if<std::string>(&args[i])) {
        return *value;
    }
    mismatch(name, i);
}

// A point is three finite doubles.
std::vector<double> pointArg(const std::string& name, const std::vector<HostValue>& args,
                             std::size_t i)
{
    if (const auto* value = std::get_if<std::vector<double>>(&args[i]);
        value && value->size() == 3 && std::isfinite((*value)[0]) && std::isfinite((*value)[1]) &&
        std::isfinite((*value)[2])) {
        return *value;
    }
    mismatch(name, i);
}

void checkCoordinates(std::initializer_list<double> values)
{
    for (double value : values) {
        if (!(std::abs(value) <= coordinateLimit)) {
            fail(ErrorKind::Exception, "Coordinate out of range");
        }
    }
}

std::string upper(std::string text)
{
    for (char& ch : text) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 'a' + 'A');
        }
    }
    return text;
}

} // namespace cadhost
