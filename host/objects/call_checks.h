#pragma once
// The checks every object of the model makes of a call, as a COM server makes them: how a member
// may be reached (method, property get or put), how many arguments it takes and of which type.
// Each failure is thrown as a HostError of the kind a COM server would answer with.

#include "host/objects/drawing_names.h"
#include "host/objects/host_value.h"
#include "host/objects/object_model.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace cadhost {

// How a member is used by one call.
enum class Use { Method, Get, Put };

struct Member {
    bool method;
    bool readable;
    bool writable;
};

constexpr Member methodMember{true, false, false};
constexpr Member readOnly{false, true, false};
constexpr Member writeOnly{false, false, true};
constexpr Member readWrite{false, true, true};

[[noreturn]] void fail(ErrorKind kind, std::string text);
// How the call's kind reaches the member; MemberNotFound when it does not.
Use useOf(const std::string& name, Member member, std::int32_t kind);
void expectCount(const std::string& name, const std::vector<HostValue>& args, std::size_t least,
                 std::size_t most);
// TypeMismatch for argument index (counted from 0; the message counts from 1).
[[noreturn]] void mismatch(const std::string& name, std::size_t index);
std::int32_t intArg(const std::string& name, const std::vector<HostValue>& args, std::size_t i);
double doubleArg(const std::string& name, const std::vector<HostValue>& args, std::size_t i);
const std::string& stringArg(const std::string& name, const std::vector<HostValue>& args,
                             std::size_t i);
// A point: three finite doubles.
std::vector<double> pointArg(const std::string& name, const std::vector<HostValue>& args,
                             std::size_t i);
// The host's exception when a coordinate is beyond the drawing's limit.
void checkCoordinates(std::initializer_list<double> values);
std::string upper(std::string text);

} // namespace cadhost
