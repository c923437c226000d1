// The host-side view of the plug-in interfaces, written the way a host built with the Microsoft
// C++ ABI declares them: ordinary member functions (thiscall by default there), and slot 0 of
// the machine and of the helper a real virtual destructor, which this ABI gives one slot, a
// delete flag and `this` as result. Nothing here is shared with the library's own headers.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct MasterInfo {
    int32_t beatsPerMinute;
    int32_t ticksPerBeat;
    int32_t sampleRate;
    int32_t samplesPerTick;
    int32_t positionInTick;
    float ticksPerSecond;
};

struct ParameterDescriptor {
    int32_t type;
    const char* name;
    const char* description;
    int32_t minValue;
    int32_t maxValue;
    int32_t noValue;
    int32_t flags;
    int32_t defaultValue;
};

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
    const void* const* attributes;
    const char* displayName;
    const char* shortName;
    const char* author;
    const char* commands;
    const void* reserved;
};

class DataInput {
  public:
    virtual void ReadBytes(void* data, int32_t count) = 0;
};

class DataOutput {
  public:
    virtual void WriteBytes(const void* data, int32_t count) = 0;
};

class MdkHelper;
class CMachineInterfaceEx;

class HostCallbacks {
  public:
    virtual MdkHelper* RequestHelper(int32_t a, int32_t b) = 0;
    virtual void RegisterExtension(CMachineInterfaceEx* extension) = 0;
};

class CMachineInterface {
  public:
    virtual ~CMachineInterface() {}
    virtual void Initialize(DataInput* data) = 0;
    virtual void ProcessTick() = 0;
    virtual bool ProcessAudio(float* samples, int32_t count, int32_t mode) = 0;
    virtual bool ProcessMonoToStereo(float* in, float* out, int32_t count, int32_t mode) = 0;
    virtual void Unused6() = 0;
    virtual void Save(DataOutput* output) = 0;
    virtual void Unused8() = 0;
    virtual void RunCommand(int32_t command) = 0;
    virtual void Unused10(int32_t) = 0;
    virtual void Unused11(int32_t) = 0;
    virtual bool Query12(int32_t) = 0;
    virtual void Unused13(int32_t, int32_t, int32_t) = 0;
    virtual void Unused14(uint32_t) = 0;
    virtual const char* ValueText(int32_t param, int32_t value) = 0;
    virtual const void* Query16() = 0;
    virtual bool Query17(int32_t, int32_t, float) = 0;
    virtual void Unused18() = 0;
    virtual int32_t Query19(int32_t) = 0;

    void* globalValues;
    void* trackValues;
    void* attributeValues;
    const MasterInfo* masterInfo;
    HostCallbacks* hostCallbacks;
};

class CMDKMachineInterface : public CMachineInterface {
  public:
    virtual CMachineInterfaceEx* ExtensionObject() = 0;
    virtual void Unused21(int32_t) = 0;
    virtual bool RenderMono(float* samples, int32_t count, int32_t mode) = 0;
    virtual bool RenderStereo(float* samples, int32_t count, int32_t mode) = 0;
    virtual void SetUp(DataInput* data) = 0;
    virtual void WriteState(DataOutput* output) = 0;

    MdkHelper* mdkHelper;
};

class CMachineInterfaceEx {
  public:
    virtual intptr_t Query1(intptr_t) = 0;
    virtual bool Query2(intptr_t) = 0;
    virtual void Unused3(intptr_t, intptr_t) = 0;
    virtual intptr_t Relay4(intptr_t, intptr_t) = 0;
    virtual intptr_t Relay5(intptr_t) = 0;
    virtual intptr_t Relay6(intptr_t, intptr_t) = 0;
    virtual intptr_t Relay7(intptr_t, intptr_t, intptr_t) = 0;
    virtual void Unused8(intptr_t, intptr_t, intptr_t) = 0;
    virtual intptr_t Relay9(intptr_t, intptr_t) = 0;
    virtual bool Query10(intptr_t, intptr_t, intptr_t) = 0;
    // Slots 11 to 42 take nothing and do nothing; they are called by index.
};

class CMDKMachineInterfaceEx : public CMachineInterfaceEx {
  public:
    MdkHelper* helper;
};

class MdkHelper {
  public:
    virtual ~MdkHelper() {}
    virtual intptr_t ExtensionRelay1(intptr_t, intptr_t) = 0;
    virtual intptr_t ExtensionRelay2(intptr_t) = 0;
    virtual intptr_t ExtensionRelay3(intptr_t, intptr_t) = 0;
    virtual intptr_t ExtensionRelay4(intptr_t, intptr_t) = 0;
    virtual intptr_t ExtensionRelay5(intptr_t, intptr_t, intptr_t) = 0;
    virtual bool MachineRelay1(float* samples, int32_t count, int32_t mode) = 0;
    virtual bool MachineRelay2(float* in, float* out, int32_t count, int32_t mode) = 0;
    virtual void InitializeHelper(DataInput* data) = 0;
    virtual void MachineRelay3(DataOutput* output) = 0;
    virtual void SelectOutputChannels(int32_t stereo) = 0;

    CMachineInterface* machine = nullptr;
};

// The layout this compiler gives these classes is the one the library must match.
static_assert(sizeof(ParameterDescriptor) == 32 && sizeof(MachineDescription) == 60);
static_assert(offsetof(MasterInfo, sampleRate) == 8 && offsetof(MasterInfo, samplesPerTick) == 12);
static_assert(offsetof(CMachineInterface, globalValues) == 4);
static_assert(offsetof(CMachineInterface, hostCallbacks) == 20);
static_assert(offsetof(CMDKMachineInterface, mdkHelper) == 24);
static_assert(offsetof(CMDKMachineInterfaceEx, helper) == 4);
static_assert(offsetof(MdkHelper, machine) == 4);

// Further header words the host reads by offset from the machine's address.
inline constexpr size_t kExtensionOffset = 28;
inline constexpr size_t kSdkMarkerOffset = 36;
inline constexpr int kMachineSlots = 25;
inline constexpr int kExtensionSlots = 42;
