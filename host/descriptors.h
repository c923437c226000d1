// The static records through which the library describes itself to the host.
#pragma once

#include <cstdint>

enum ParameterType : int32_t { ParameterByte = 2, ParameterWord = 3 };

struct ParameterDescriptor {
    int32_t type;  // ParameterByte or ParameterWord
    const char* name;
    const char* description;
    int32_t minValue;
    int32_t maxValue;
    int32_t noValue;
    int32_t flags;
    int32_t defaultValue;
};

struct AttributeDescriptor;

struct MachineDescription {
    int32_t typeCode;
    int32_t interfaceVersion;
    int32_t flags;
    int32_t minTracks;
    int32_t maxTracks;
    int32_t globalParameterCount;
    int32_t trackParameterCount;
    const ParameterDescriptor* const* parameters;
    int32_t attributeCount;
    const AttributeDescriptor* const* attributes;
    const char* displayName;
    const char* shortName;
    const char* author;
    const char* commands;
    const void* reserved;
};

// The host reads both records field by field as 32-bit words.
#if defined(__i386__) || defined(_M_IX86)
#include <cstddef>
static_assert(sizeof(ParameterDescriptor) == 32);
static_assert(offsetof(ParameterDescriptor, name) == 4);
static_assert(offsetof(ParameterDescriptor, description) == 8);
static_assert(offsetof(ParameterDescriptor, minValue) == 12);
static_assert(offsetof(ParameterDescriptor, maxValue) == 16);
static_assert(offsetof(ParameterDescriptor, noValue) == 20);
static_assert(offsetof(ParameterDescriptor, flags) == 24);
static_assert(offsetof(ParameterDescriptor, defaultValue) == 28);
static_assert(sizeof(MachineDescription) == 60);
static_assert(offsetof(MachineDescription, interfaceVersion) == 4);
static_assert(offsetof(MachineDescription, flags) == 8);
static_assert(offsetof(MachineDescription, minTracks) == 12);
static_assert(offsetof(MachineDescription, maxTracks) == 16);
static_assert(offsetof(MachineDescription, globalParameterCount) == 20);
static_assert(offsetof(MachineDescription, trackParameterCount) == 24);
static_assert(offsetof(MachineDescription, parameters) == 28);
static_assert(offsetof(MachineDescription, attributeCount) == 32);
static_assert(offsetof(MachineDescription, attributes) == 36);
static_assert(offsetof(MachineDescription, displayName) == 40);
static_assert(offsetof(MachineDescription, shortName) == 44);
static_assert(offsetof(MachineDescription, author) == 48);
static_assert(offsetof(MachineDescription, commands) == 52);
static_assert(offsetof(MachineDescription, reserved) == 56);
#endif
