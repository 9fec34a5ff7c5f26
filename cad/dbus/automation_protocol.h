#pragma once
// The D-Bus automation protocol shared by the program's transport and the stand-in CAD host:
// well-known bus name = class name, the Application object at /Application, every object with
// org.quorvel.Automation.Invoke(s member, i kind, av args) -> v result.

inline constexpr const char* automationInterface = "org.quorvel.Automation";
inline constexpr const char* applicationPath = "/Application";
inline constexpr const char* invokeMethod = "Invoke";
// The host's own exception; the message is its description.
inline constexpr const char* exceptionError = "org.quorvel.Automation.Exception";
// No member of that name.
inline constexpr const char* unknownNameError = "org.quorvel.Automation.UnknownName";
// The member exists but not for that kind of call (a property called as a method, ...).
inline constexpr const char* memberNotFoundError = "org.quorvel.Automation.MemberNotFound";
// The wrong number of arguments.
inline constexpr const char* badParamCountError = "org.quorvel.Automation.BadParamCount";
// An argument of the wrong type or out of range.
inline constexpr const char* typeMismatchError = "org.quorvel.Automation.TypeMismatch";
