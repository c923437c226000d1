// The host-defined interfaces, in the exact slot order the host calls them by.
//
// Slot 0 of every machine-side class is one operation taking the delete flag, never a C++
// virtual destructor: the host keeps a single slot for it, while some compilers emit two for
// a virtual destructor and would shift every later slot.
//
// The host is built by another compiler, so these classes keep to what both lay out alike:
// every operation is HOST_CALL; no operation returns a struct by value, is overloaded (one
// compiler groups overloads in the table) or takes a long double; and every class is whole
// 32-bit words, so no base leaves tail padding that a derived member could be packed into.
#pragma once

#include <cstdint>

#include "host/abi.h"
#include "host/master_info.h"

class CMachineInterfaceEx;
class MdkHelper;

// The data objects the host hands to Initialize/SetUp and to WriteState.
class DataInput {
  public:
    virtual void HOST_CALL ReadBytes(void* data, int32_t count) = 0;
};

class DataOutput {
  public:
    virtual void HOST_CALL WriteBytes(const void* data, int32_t count) = 0;
};

class CMachineInterface {
  public:
    /* 1 */ virtual void* HOST_CALL Destroy(uint32_t /*deleteFlag*/) { return this; }
    /* 2 */ virtual void HOST_CALL Initialize(DataInput*) {}
    /* 3 */ virtual void HOST_CALL ProcessTick() {}
    /* 4 */ virtual bool HOST_CALL ProcessAudio(float*, int32_t, int32_t) { return false; }
    /* 5 */ virtual bool HOST_CALL ProcessMonoToStereo(float*, float*, int32_t, int32_t) {
        return false;
    }
    /* 6 */ virtual void HOST_CALL Unused6() {}
    /* 7 */ virtual void HOST_CALL Save(DataOutput*) {}
    /* 8 */ virtual void HOST_CALL Unused8() {}
    /* 9 */ virtual void HOST_CALL RunCommand(int32_t) {}
    /* 10 */ virtual void HOST_CALL Unused10(int32_t) {}
    /* 11 */ virtual void HOST_CALL Unused11(int32_t) {}
    /* 12 */ virtual bool HOST_CALL Query12(int32_t) { return false; }
    /* 13 */ virtual void HOST_CALL Unused13(int32_t, int32_t, int32_t) {}
    /* 14 */ virtual void HOST_CALL Unused14(uint32_t) {}
    /* 15 */ virtual const char* HOST_CALL ValueText(int32_t, int32_t) { return nullptr; }
    /* 16 */ virtual const void* HOST_CALL Query16() { return nullptr; }
    /* 17 */ virtual bool HOST_CALL Query17(int32_t, int32_t, float) { return false; }
    /* 18 */ virtual void HOST_CALL Unused18() {}
    /* 19 */ virtual int32_t HOST_CALL Query19(int32_t) { return -1; }

    void* globalValues = nullptr;
    void* trackValues = nullptr;
    void* attributeValues = nullptr;
    const MasterInfo* masterInfo = nullptr;
    class HostCallbacks* hostCallbacks = nullptr;
};

// The host's callback interface; the machine uses these two operations of it.
class HostCallbacks {
  public:
    virtual MdkHelper* HOST_CALL RequestHelper(int32_t a, int32_t b) = 0;
    virtual void HOST_CALL RegisterExtension(CMachineInterfaceEx* extension) = 0;
};

// The host's helper object. Its first data field is the link to the machine it serves.
class MdkHelper {
  public:
    virtual void HOST_CALL DestroyHelper(int32_t alsoFree) = 0;
    virtual intptr_t HOST_CALL ExtensionRelay1(intptr_t, intptr_t) = 0;
    virtual intptr_t HOST_CALL ExtensionRelay2(intptr_t) = 0;
    virtual intptr_t HOST_CALL ExtensionRelay3(intptr_t, intptr_t) = 0;
    virtual intptr_t HOST_CALL ExtensionRelay4(intptr_t, intptr_t) = 0;
    virtual intptr_t HOST_CALL ExtensionRelay5(intptr_t, intptr_t, intptr_t) = 0;
    virtual bool HOST_CALL MachineRelay1(float* samples, int32_t count, int32_t workMode) = 0;
    virtual bool HOST_CALL MachineRelay2(float* in, float* out, int32_t count, int32_t mode) = 0;
    virtual void HOST_CALL InitializeHelper(DataInput* data) = 0;
    virtual void HOST_CALL MachineRelay3(DataOutput* output) = 0;
    virtual void HOST_CALL SelectOutputChannels(int32_t stereo) = 0;

    CMachineInterface* machine = nullptr;
};

// The SDK layer: links the machine with the helper and relays requests to it.
class CMDKMachineInterface : public CMachineInterface {
  public:
    /* 1 */ void* HOST_CALL Destroy(uint32_t deleteFlag) override = 0;
    /* 2 */ void HOST_CALL Initialize(DataInput* data) override;
    /* 4 */ bool HOST_CALL ProcessAudio(float* samples, int32_t count, int32_t mode) override {
        return mdkHelper->MachineRelay1(samples, count, mode);
    }
    /* 5 */ bool HOST_CALL ProcessMonoToStereo(float* in, float* out, int32_t count,
                                               int32_t mode) override {
        return mdkHelper->MachineRelay2(in, out, count, mode);
    }
    /* 7 */ void HOST_CALL Save(DataOutput* output) override { mdkHelper->MachineRelay3(output); }

    /* 20 */ virtual CMachineInterfaceEx* HOST_CALL ExtensionObject() = 0;
    /* 21 */ virtual void HOST_CALL Unused21(int32_t) = 0;
    /* 22 */ virtual bool HOST_CALL RenderMono(float*, int32_t, int32_t) = 0;
    /* 23 */ virtual bool HOST_CALL RenderStereo(float* samples, int32_t count, int32_t mode) = 0;
    /* 24 */ virtual void HOST_CALL SetUp(DataInput* data) = 0;
    /* 25 */ virtual void HOST_CALL WriteState(DataOutput* output) = 0;

    MdkHelper* mdkHelper = nullptr;
};

#define HOST_RESERVED_EXTENSION_OPERATION(n) \
    virtual void HOST_CALL Reserved##n() {}

// The host-defined extension interface (no destructor slot).
class CMachineInterfaceEx {
  public:
    /* 1 */ virtual intptr_t HOST_CALL Query1(intptr_t) { return 0; }
    /* 2 */ virtual bool HOST_CALL Query2(intptr_t) { return false; }
    /* 3 */ virtual void HOST_CALL Unused3(intptr_t, intptr_t) {}
    /* 4 */ virtual intptr_t HOST_CALL Relay4(intptr_t, intptr_t) { return 0; }
    /* 5 */ virtual intptr_t HOST_CALL Relay5(intptr_t) { return 0; }
    /* 6 */ virtual intptr_t HOST_CALL Relay6(intptr_t, intptr_t) { return 0; }
    /* 7 */ virtual intptr_t HOST_CALL Relay7(intptr_t, intptr_t, intptr_t) { return 0; }
    /* 8 */ virtual void HOST_CALL Unused8(intptr_t, intptr_t, intptr_t) {}
    /* 9 */ virtual intptr_t HOST_CALL Relay9(intptr_t, intptr_t) { return 0; }
    /* 10 */ virtual bool HOST_CALL Query10(intptr_t, intptr_t, intptr_t) { return false; }
    HOST_RESERVED_EXTENSION_OPERATION(11)
    HOST_RESERVED_EXTENSION_OPERATION(12)
    HOST_RESERVED_EXTENSION_OPERATION(13)
    HOST_RESERVED_EXTENSION_OPERATION(14)
    HOST_RESERVED_EXTENSION_OPERATION(15)
    HOST_RESERVED_EXTENSION_OPERATION(16)
    HOST_RESERVED_EXTENSION_OPERATION(17)
    HOST_RESERVED_EXTENSION_OPERATION(18)
    HOST_RESERVED_EXTENSION_OPERATION(19)
    HOST_RESERVED_EXTENSION_OPERATION(20)
    HOST_RESERVED_EXTENSION_OPERATION(21)
    HOST_RESERVED_EXTENSION_OPERATION(22)
    HOST_RESERVED_EXTENSION_OPERATION(23)
    HOST_RESERVED_EXTENSION_OPERATION(24)
    HOST_RESERVED_EXTENSION_OPERATION(25)
    HOST_RESERVED_EXTENSION_OPERATION(26)
    HOST_RESERVED_EXTENSION_OPERATION(27)
    HOST_RESERVED_EXTENSION_OPERATION(28)
    HOST_RESERVED_EXTENSION_OPERATION(29)
    HOST_RESERVED_EXTENSION_OPERATION(30)
    HOST_RESERVED_EXTENSION_OPERATION(31)
    HOST_RESERVED_EXTENSION_OPERATION(32)
    HOST_RESERVED_EXTENSION_OPERATION(33)
    HOST_RESERVED_EXTENSION_OPERATION(34)
    HOST_RESERVED_EXTENSION_OPERATION(35)
    HOST_RESERVED_EXTENSION_OPERATION(36)
    HOST_RESERVED_EXTENSION_OPERATION(37)
    HOST_RESERVED_EXTENSION_OPERATION(38)
    HOST_RESERVED_EXTENSION_OPERATION(39)
    HOST_RESERVED_EXTENSION_OPERATION(40)
    HOST_RESERVED_EXTENSION_OPERATION(41)
    HOST_RESERVED_EXTENSION_OPERATION(42)
};

#undef HOST_RESERVED_EXTENSION_OPERATION

// The SDK layer of the extension: every relay goes through the extension's own helper link.
class CMDKMachineInterfaceEx : public CMachineInterfaceEx {
  public:
    intptr_t HOST_CALL Relay4(intptr_t a, intptr_t b) override {
        return helper->ExtensionRelay1(a, b);
    }
    intptr_t HOST_CALL Relay5(intptr_t a) override { return helper->ExtensionRelay2(a); }
    intptr_t HOST_CALL Relay6(intptr_t a, intptr_t b) override {
        return helper->ExtensionRelay3(a, b);
    }
    intptr_t HOST_CALL Relay7(intptr_t a, intptr_t b, intptr_t c) override {
        return helper->ExtensionRelay5(a, b, c);
    }
    intptr_t HOST_CALL Relay9(intptr_t a, intptr_t b) override {
        return helper->ExtensionRelay4(a, b);
    }

    MdkHelper* helper = nullptr;
};

// Slot numbers (zero-based vtable indices) that tests and foreign hosts call by.
enum MachineSlot : int {
    SlotDestroy = 0,
    SlotInitialize = 1,
    SlotProcessTick = 2,
    SlotProcessAudio = 3,
    SlotSave = 6,
    SlotRunCommand = 8,
    SlotValueText = 14,
    SlotExtensionObject = 19,
    SlotRenderMono = 21,
    SlotRenderStereo = 22,
    SlotSetUp = 23,
    SlotWriteState = 24,
};

// What the 32-bit host sees: each data field one word after the type pointer.
#if defined(__i386__) || defined(_M_IX86)
#include <cstddef>
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif
static_assert(offsetof(CMachineInterface, globalValues) == 4);
static_assert(offsetof(CMachineInterface, trackValues) == 8);
static_assert(offsetof(CMachineInterface, attributeValues) == 12);
static_assert(offsetof(CMachineInterface, masterInfo) == 16);
static_assert(offsetof(CMachineInterface, hostCallbacks) == 20);
static_assert(sizeof(CMachineInterface) == 24);
static_assert(offsetof(CMDKMachineInterface, mdkHelper) == 24);
static_assert(sizeof(CMDKMachineInterface) == 28);
static_assert(sizeof(CMachineInterfaceEx) == 4);
static_assert(offsetof(CMDKMachineInterfaceEx, helper) == 4);
static_assert(sizeof(CMDKMachineInterfaceEx) == 8);
static_assert(offsetof(MdkHelper, machine) == 4);
static_assert(sizeof(HostCallbacks) == 4);
static_assert(sizeof(DataInput) == 4 && sizeof(DataOutput) == 4);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
#endif
