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

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(ParameterDescriptor) == 32);
static_assert(sizeof(MachineDescription) == 60);
#endif
