// A host built for the Microsoft C++ ABI. It loads "Tarvo Delay.dll" and drives it only
// through its exports and the operations' slots, the way the music host does, with its own
// HostCallbacks and helper so that the library's calls into the host are checked as well.
// Every check prints one line; the last line counts them, and only a run that reaches it with
// no failure has passed (a crash ends the run in the exception filter instead).
#include "tests/windows/freestanding.h"
#include "tests/windows/msvc_host_classes.h"

namespace {

using host::print;
using host::printHex;
using host::printInt;
using host::printLine;

int passed = 0;
int failed = 0;

bool check(bool ok, const char* what) {
    print(ok ? "ok   " : "FAIL ");
    printLine(what);
    ++(ok ? passed : failed);
    return ok;
}

bool checkWord(uint32_t got, uint32_t expected, const char* what) {
    if (got == expected) return check(true, what);
    check(false, what);
    print("     got ");
    printHex(got);
    print(", expected ");
    printHex(expected);
    printLine("");
    return false;
}

[[noreturn]] void finish() {
    print("msvc-abi: ");
    printInt(passed);
    print(" passed, ");
    printInt(failed);
    printLine(" failed");
    ExitProcess(failed == 0 ? 0 : 1);
}

long __stdcall crashFilter(ExceptionPointers* pointers) {
    print("crash: exception ");
    printHex(pointers->record->code);
    print(" at ");
    printHex(reinterpret_cast<uintptr_t>(pointers->record->address));
    printLine(", run abandoned");
    ExitProcess(3);
}

// The order in which the library called into the host: R RequestHelper, E RegisterExtension,
// I InitializeHelper, S SelectOutputChannels, D helper destroyed.
char events[64];
int eventCount = 0;
void logEvent(char event) {
    if (eventCount < 63) events[eventCount++] = event;
    events[eventCount] = '\0';
}
bool eventsSince(int start, const char* expected) {
    return host::sameText(events + start, expected);
}

int helpersFreed = 0;

class TestHelper final : public MdkHelper {
  public:
    ~TestHelper() override { logEvent('D'); }
    static void operator delete(void* block) {
        ++helpersFreed;
        ::operator delete(block);
    }

    intptr_t ExtensionRelay1(intptr_t a, intptr_t b) override { return note(1, a, b); }
    intptr_t ExtensionRelay2(intptr_t a) override { return note(2, a); }
    intptr_t ExtensionRelay3(intptr_t a, intptr_t b) override { return note(3, a, b); }
    intptr_t ExtensionRelay4(intptr_t a, intptr_t b) override { return note(4, a, b); }
    intptr_t ExtensionRelay5(intptr_t a, intptr_t b, intptr_t c) override {
        return note(5, a, b, c);
    }
    bool MachineRelay1(float* samples, int32_t count, int32_t mode) override {
        note(6, reinterpret_cast<intptr_t>(samples), count, mode);
        return sdk()->RenderStereo(samples, count, mode);
    }
    bool MachineRelay2(float* in, float* out, int32_t count, int32_t mode) override {
        note(7, reinterpret_cast<intptr_t>(in), reinterpret_cast<intptr_t>(out), count, mode);
        return relay2Result;
    }
    void InitializeHelper(DataInput* data) override {
        logEvent('I');
        initializeData = data;
        sdk()->SetUp(data);  // the helper sets its machine up once, right here
    }
    void MachineRelay3(DataOutput* output) override {
        note(8, reinterpret_cast<intptr_t>(output));
        sdk()->WriteState(output);
    }
    void SelectOutputChannels(int32_t stereo) override {
        logEvent('S');
        outputChannels = stereo;
    }

    // The last relay that reached the helper, with `this` as the library passed it.
    int lastRelay = 0;
    const void* lastSelf = nullptr;
    intptr_t lastArgs[4] = {};
    DataInput* initializeData = nullptr;
    int32_t outputChannels = -1;
    bool relay2Result = true;

    bool relayed(int relay, intptr_t a, intptr_t b = 0, intptr_t c = 0, intptr_t d = 0) const {
        return lastRelay == relay && lastSelf == this && lastArgs[0] == a && lastArgs[1] == b &&
               lastArgs[2] == c && lastArgs[3] == d;
    }

  private:
    CMDKMachineInterface* sdk() const { return static_cast<CMDKMachineInterface*>(machine); }
    intptr_t note(int relay, intptr_t a, intptr_t b = 0, intptr_t c = 0, intptr_t d = 0) {
        lastRelay = relay;
        lastSelf = this;
        lastArgs[0] = a, lastArgs[1] = b, lastArgs[2] = c, lastArgs[3] = d;
        return 0x1000 + relay;
    }
};

class TestCallbacks final : public HostCallbacks {
  public:
    MdkHelper* RequestHelper(int32_t a, int32_t b) override {
        logEvent('R');
        requestA = a, requestB = b;
        helper = new TestHelper();
        return helper;
    }
    void RegisterExtension(CMachineInterfaceEx* extension) override {
        logEvent('E');
        registered = extension;
        machineLinkAtRegistration = helper != nullptr ? helper->machine : nullptr;
        extensionLinkAtRegistration = static_cast<CMDKMachineInterfaceEx*>(extension)->helper;
    }

    TestHelper* helper = nullptr;
    int32_t requestA = 0, requestB = 0;
    CMachineInterfaceEx* registered = nullptr;
    CMachineInterface* machineLinkAtRegistration = nullptr;
    MdkHelper* extensionLinkAtRegistration = nullptr;
};

class NoSavedData final : public DataInput {
  public:
    void ReadBytes(void*, int32_t) override { ++reads; }
    int reads = 0;
};

class ByteSink final : public DataOutput {
  public:
    void WriteBytes(const void* data, int32_t count) override {
        ++calls;
        for (int32_t i = 0; i < count && size < 16; ++i)
            bytes[size++] = static_cast<const uint8_t*>(data)[i];
    }
    bool holdsSaveData() const {
        return calls == 1 && size == 4 && bytes[0] == 0x64 && bytes[1] == 0 && bytes[2] == 0 &&
               bytes[3] == 0;
    }
    int calls = 0;
    int size = 0;
    uint8_t bytes[16] = {};
};

using GetInfoFunction = const MachineDescription*(__cdecl*)();
using CreateMachineFunction = CMachineInterface*(__cdecl*)();

GetInfoFunction getInfo;
CreateMachineFunction createMachine;

// ---- calls by slot --------------------------------------------------------------------------

void* slotOf(void* object, int slot) { return (*static_cast<void***>(object))[slot]; }

// Calls one slot at all four stack alignments; true when every call kept the convention and
// gave the same result (the bits in `mask`: a void operation leaves eax undefined), which
// lands in `result`.
bool callEverywhere(void* object, int slot, const uintptr_t* args, int count, uintptr_t mask,
                    uintptr_t& result) {
    bool clean = true;
    for (int misalign = 0; misalign < 16; misalign += 4) {
        host::CallReport report{};
        const uintptr_t r =
            checkedThiscall(slotOf(object, slot), object, args, count, misalign, &report);
        if (!host::cleanCall(report)) {
            print("     slot ");
            printInt(slot);
            print(" misaligned by ");
            printInt(misalign);
            print(": stack ");
            printInt(report.stackError);
            print(", ebx ");
            printHex(report.ebx);
            print(", mxcsr ");
            printHex(report.mxcsrAfter);
            print(", x87 control ");
            printHex(report.x87Environment[0] & 0xffff);
            print(", tags ");
            printHex(report.x87Environment[2] & 0xffff);
            printLine("");
            clean = false;
        }
        if (misalign != 0 && (r & mask) != result) clean = false;
        result = r & mask;
    }
    return clean;
}

// ---- a hosted machine -----------------------------------------------------------------------

struct Hosted {
    CMDKMachineInterface* machine = nullptr;
    TestCallbacks callbacks;
    MasterInfo master{126, 4, 44100, 441, 0, 0.0f};
    NoSavedData input;
};

Hosted* createHosted() {
    auto* hosted = new Hosted();
    hosted->machine = static_cast<CMDKMachineInterface*>(createMachine());
    return hosted;
}

// Sets the two pointers the host owns and calls Initialize, at the given stack misalignment.
bool initialize(Hosted& hosted, int misalign) {
    CMDKMachineInterface* m = hosted.machine;
    m->masterInfo = &hosted.master;
    m->hostCallbacks = &hosted.callbacks;
    const uintptr_t args[1] = {reinterpret_cast<uintptr_t>(&hosted.input)};
    host::CallReport report{};
    checkedThiscall(slotOf(m, 1), m, args, 1, misalign, &report);
    return host::cleanCall(report);
}

uint32_t headerWord(const void* machine, size_t offset) {
    return *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(machine) + offset);
}

// The GlobalValues record as the host lays it out from the parameter table: `values[i]` < 0
// writes parameter i's no-value.
void writeRecord(CMachineInterface* m, const MachineDescription* info, const int32_t* values) {
    auto* record = static_cast<uint8_t*>(m->globalValues);
    int at = 0;
    for (int i = 0; i < info->globalParameterCount; ++i) {
        const ParameterDescriptor* p = info->parameters[i];
        const uint32_t v = static_cast<uint32_t>(values[i] < 0 ? p->noValue : values[i]);
        record[at++] = static_cast<uint8_t>(v);
        if (p->type == 3) record[at++] = static_cast<uint8_t>(v >> 8);
    }
}

void writeDefaults(CMachineInterface* m, const MachineDescription* info) {
    int32_t values[64];
    for (int i = 0; i < info->globalParameterCount; ++i)
        values[i] = info->parameters[i]->defaultValue;
    writeRecord(m, info, values);
}

void writeNothing(CMachineInterface* m, const MachineDescription* info) {
    int32_t values[64];
    for (int i = 0; i < info->globalParameterCount; ++i) values[i] = -1;
    writeRecord(m, info, values);
}

constexpr int kFrames = 256;
constexpr int kSamples = 2 * kFrames;

bool sameBits(const float* a, const float* b, int count) {
    const auto* x = reinterpret_cast<const uint32_t*>(a);
    const auto* y = reinterpret_cast<const uint32_t*>(b);
    for (int i = 0; i < count; ++i)
        if (x[i] != y[i]) return false;
    return true;
}

// Equal as numbers: a sum with a silent input may turn -0 into +0.
bool sameValues(const float* a, const float* b, int count) {
    for (int i = 0; i < count; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

bool allFinite(const float* samples, int count) {
    const auto* bits = reinterpret_cast<const uint32_t*>(samples);
    for (int i = 0; i < count; ++i)
        if ((bits[i] & 0x7f800000u) == 0x7f800000u) return false;
    return true;
}

void fill(float* samples, int count, float value) {
    for (int i = 0; i < count; ++i) samples[i] = value;
}

void garbage(float* samples, int count) {
    uint32_t state = 12345;
    for (int i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        samples[i] = static_cast<float>(static_cast<int32_t>(state >> 8) - 8388608) / 256.0f;
    }
}

// ---- the checks -----------------------------------------------------------------------------

int countLeadingSpaces(const ParameterDescriptor* const* table, int count) {
    int n = 0;
    for (int i = 0; i < count; ++i) n += table[i]->description[0] == ' ';
    return n;
}

const MachineDescription* checkDescription() {
    const MachineDescription* info = getInfo();
    check(info != nullptr && getInfo() == info, "GetInfo returns one description on every call");
    if (info == nullptr) finish();
    check(info->typeCode == 2 && info->interfaceVersion == 15 && info->flags == 16 &&
              info->minTracks == 0 && info->maxTracks == 0 && info->trackParameterCount == 0 &&
              info->attributeCount == 0 && info->attributes == nullptr && info->reserved == nullptr,
          "description: type 2, version 15, flags 16, no tracks, no attributes");
    check(host::sameText(info->displayName, "Tarvo Delay") &&
              host::sameText(info->shortName, "trvd") && info->author != nullptr &&
              info->author[0] != '\0' && host::sameText(info->commands, "&About Delay..."),
          "description: names, author and the one command");
    if (!check(info->globalParameterCount == 36 && info->parameters != nullptr,
               "description: 36 global parameters"))
        finish();

    bool complete = true, ranges = true;
    int recordBytes = 0, resampleAt = -1, inertiaAt = -1;
    for (int i = 0; i < 36; ++i) {
        const ParameterDescriptor* p = info->parameters[i];
        if (p == nullptr || p->name == nullptr || p->description == nullptr ||
            (p->type != 2 && p->type != 3)) {
            complete = false;
            break;
        }
        if (i == 34) resampleAt = recordBytes;
        if (i == 35) inertiaAt = recordBytes;
        recordBytes += p->type == 3 ? 2 : 1;
        const int32_t noValue = p->type == 3 ? 65535 : 255;
        ranges = ranges && p->noValue == noValue && p->flags == 2 &&
                 p->minValue <= p->defaultValue && p->defaultValue <= p->maxValue &&
                 (p->noValue < p->minValue || p->noValue > p->maxValue);
    }
    check(complete && recordBytes == 52 && resampleAt == 49 && inertiaAt == 51,
          "parameter table: 36 entries whose fields fill the 52-byte record");
    if (!complete) finish();
    check(ranges, "parameter table: no-values outside every range, flags 2, defaults inside");
    const ParameterDescriptor* delay = info->parameters[1];
    const ParameterDescriptor* inertia = info->parameters[35];
    check(host::sameText(delay->name, "DLY DelayL") && delay->type == 3 && delay->minValue == 1 &&
              delay->maxValue == 65534 && delay->defaultValue == 4000 &&
              host::sameText(inertia->name, "Inertia") && inertia->maxValue == 64 &&
              inertia->defaultValue == 1 && countLeadingSpaces(info->parameters, 36) == 4,
          "parameter table: entries read as published");
    return info;
}

void checkCreation(const MachineDescription* info) {
    const int start = eventCount;
    Hosted* a = createHosted();
    Hosted* b = createHosted();
    CMDKMachineInterface* m = a->machine;
    if (!check(m != nullptr && b->machine != nullptr, "CreateMachine returns a machine")) finish();
    const auto* base = reinterpret_cast<const uint8_t*>(m);
    const auto* record = static_cast<const uint8_t*>(m->globalValues);
    check(record >= base + 40 && record < base + (1 << 20) && m->trackValues == nullptr &&
              m->attributeValues == nullptr && m->mdkHelper == nullptr,
          "CreateMachine: own record inside the object, no track or attribute values, no helper");
    checkWord(headerWord(m, kSdkMarkerOffset), 0x12345678, "CreateMachine: the marker word");
    check(headerWord(m, kExtensionOffset) != 0 && headerWord(m, kExtensionOffset + 4) == 0,
          "CreateMachine: the embedded extension is set, its helper link still empty");
    check(b->machine->globalValues != m->globalValues && getInfo() == info,
          "a second machine has its own record; the description stays the same");
    delete a->machine;
    delete b->machine;
    check(eventCount == start, "delete right after CreateMachine calls nothing on the host");
    delete a;
    delete b;
}

void checkInitialization(Hosted& hosted, int misalign) {
    const int start = eventCount;
    CMDKMachineInterface* m = hosted.machine;
    const bool clean = initialize(hosted, misalign);
    TestCallbacks& cb = hosted.callbacks;
    TestHelper* helper = cb.helper;
    auto* extension =
        reinterpret_cast<CMachineInterfaceEx*>(reinterpret_cast<uint8_t*>(m) + kExtensionOffset);
    check(clean, "Initialize keeps the calling convention (stack misaligned)");
    check(helper != nullptr && cb.requestA == -1 && cb.requestB == -1 && m->mdkHelper == helper,
          "Initialize asks for a helper with (-1, -1) and keeps it");
    if (helper == nullptr) finish();
    check(eventsSince(start, "REIS"),
          "Initialize: helper, register extension, initialize helper, which sets up stereo");
    check(cb.machineLinkAtRegistration == m && cb.extensionLinkAtRegistration == helper &&
              cb.registered == extension,
          "Initialize links helper and extension before it registers the embedded extension");
    check(helper->initializeData == &hosted.input && hosted.input.reads == 0 &&
              helper->outputChannels == 1,
          "the helper gets the data pointer; SetUp reads none of it and selects stereo");
    check(m->ExtensionObject() == extension, "ExtensionObject returns the embedded extension");
}

void checkRelays(Hosted& hosted) {
    CMDKMachineInterface* m = hosted.machine;
    TestHelper* helper = hosted.callbacks.helper;
    static float buffer[kSamples], other[kSamples];
    fill(buffer, kSamples, 0.0f);

    bool ok = m->ProcessAudio(buffer, 64, 3);
    check(ok && helper->relayed(6, reinterpret_cast<intptr_t>(buffer), 64, 3),
          "ProcessAudio passes its arguments to MachineRelay1 and returns its result");
    helper->relay2Result = true;
    ok = m->ProcessMonoToStereo(buffer, other, 32, 2);
    helper->relay2Result = false;
    const bool second = m->ProcessMonoToStereo(other, buffer, 16, 3);
    check(ok && !second &&
              helper->relayed(7, reinterpret_cast<intptr_t>(other),
                              reinterpret_cast<intptr_t>(buffer), 16, 3),
          "ProcessMonoToStereo passes its arguments to MachineRelay2 and returns its result");

    ByteSink viaSave, direct;
    m->Save(&viaSave);
    check(viaSave.holdsSaveData() && helper->relayed(8, reinterpret_cast<intptr_t>(&viaSave)),
          "Save goes through MachineRelay3 to WriteState: the bytes 64 00 00 00");
    m->WriteState(&direct);
    check(direct.holdsSaveData(), "WriteState writes the bytes 64 00 00 00 in one call");

    auto* ex = static_cast<CMDKMachineInterfaceEx*>(m->ExtensionObject());
    check(ex->helper == helper, "the extension's helper link is the machine's helper");
    const bool relays = ex->Relay4(11, 12) == 0x1001 && helper->relayed(1, 11, 12) &&
                        ex->Relay5(21) == 0x1002 && helper->relayed(2, 21) &&
                        ex->Relay6(31, 32) == 0x1003 && helper->relayed(3, 31, 32) &&
                        ex->Relay7(51, 52, 53) == 0x1005 && helper->relayed(5, 51, 52, 53) &&
                        ex->Relay9(41, 42) == 0x1004 && helper->relayed(4, 41, 42);
    check(relays, "extension operations 4, 5, 6, 7, 9 reach ExtensionRelay1, 2, 3, 5, 4 unchanged");
    check(ex->Query1(7) == 0 && !ex->Query2(7) && !ex->Query10(1, 2, 3),
          "extension operations 1, 2, 10 answer 0, false, false");
}

void checkTexts(CMDKMachineInterface* m) {
    check(host::sameText(m->ValueText(35, 1), "1 Tick"), "ValueText(Inertia, 1) is '1 Tick'");
    check(host::sameText(m->ValueText(34, 44100), "Original"),
          "ValueText(ETC Resample, 44100) is 'Original'");
    check(host::sameText(m->ValueText(11, 50), "-6.0dB(50%)"),
          "ValueText(AMP DryoutL, 50) is '-6.0dB(50%)'");
    check(m->ValueText(36, 0) == nullptr && m->ValueText(-1, 0) == nullptr,
          "ValueText outside the table is null");

    // Gains and cutoffs take a logarithm and a power: their texts must not follow the x87
    // precision a host happens to leave set.
    bool same = true;
    const int32_t params[2] = {11, 25};
    for (int32_t v = 1; v <= 65000 && same; v += v < 400 ? 1 : 37) {
        for (int32_t param : params) {
            if (param == 11 && v > 400) continue;
            char normal[16] = {};
            const char* text = m->ValueText(param, v);
            for (int i = 0; text != nullptr && i < 15 && text[i] != '\0'; ++i) normal[i] = text[i];
            host::setHostFloatingPoint(0x007f);
            text = m->ValueText(param, v);
            host::setHostFloatingPoint(0x027f);
            same = same && text != nullptr && host::sameText(normal, text);
        }
    }
    check(same, "value texts do not depend on the host's x87 precision");
}

// Three machines given the same calls: A as a host normally runs, B with the x87 unit switched
// to single precision (as some hosts leave it), C with work modes that must not change the
// result: modes 0 and 1 stand still, mode 2 ignores the buffer and equals mode 3 on silence.
void checkRendering(Hosted& a, Hosted& b, Hosted& c, const MachineDescription* info) {
    static float input[kSamples], outA[kSamples], outB[kSamples], outC[kSamples], saved[kSamples];
    CMDKMachineInterface* ma = a.machine;
    CMDKMachineInterface* mb = b.machine;
    CMDKMachineInterface* mc = c.machine;

    const int32_t changes[36] = {-1,  500,   700, 100, -1, 70, 60, -1, -1, -1, -1,    90,
                                 110, 120,   80,  20,  80, 70, 30, 3,  5,  90, 180,   1,
                                 1,   30000, 20,  1,   50, 4,  90, 1,  30, 40, 22050, 2};
    bool recordKept = true;
    Hosted* const all[3] = {&a, &b, &c};
    for (Hosted* h : all) {
        writeNothing(h->machine, info);
        uint8_t before[52];
        memcpy(before, h->machine->globalValues, 52);
        h->machine->ProcessTick();
        recordKept =
            recordKept && sameBits(reinterpret_cast<const float*>(before),
                                   static_cast<const float*>(h->machine->globalValues), 13);
        writeDefaults(h->machine, info);
        h->machine->ProcessTick();
        writeRecord(h->machine, info, changes);
        h->machine->ProcessTick();
    }
    check(recordKept, "a tick of no-values leaves the record as the host wrote it");

    // An impulse, then silence.
    fill(input, kSamples, 0.0f);
    input[0] = 16384.0f, input[1] = -8192.0f;
    memcpy(outA, input, sizeof input);
    memcpy(outC, input, sizeof input);
    const bool firstA = ma->RenderStereo(outA, kFrames, 3);
    memcpy(outB, input, sizeof input);
    host::setHostFloatingPoint(0x007f);
    const bool firstB = mb->RenderStereo(outB, kFrames, 3);
    host::setHostFloatingPoint(0x027f);
    const bool firstC = mc->RenderStereo(outC, kFrames, 3);
    check(firstA && firstB && firstC, "RenderStereo in work mode 3 returns true");

    garbage(outC, kSamples);
    memcpy(saved, outC, sizeof saved);
    const bool mode0 = mc->RenderStereo(outC, kFrames, 0);
    check(!mode0 && sameBits(outC, saved, kSamples),
          "RenderStereo in work mode 0 returns false and leaves the buffer alone");
    const bool mode1 = mc->RenderStereo(outC, kFrames, 1);
    check(mode1 && sameBits(outC, saved, kSamples),
          "RenderStereo in work mode 1 returns true and leaves the buffer alone");

    bool twins = sameBits(outA, outB, kSamples), finite = allFinite(outA, kSamples);
    bool mode2 = true, modes = true, echo = false;
    for (int block = 0; block < 12; ++block) {
        fill(outA, kSamples, 0.0f);
        fill(outB, kSamples, 0.0f);
        garbage(outC, kSamples);
        mode2 = ma->RenderStereo(outA, kFrames, 3) && mode2;
        host::setHostFloatingPoint(0x007f);
        mode2 = mb->RenderStereo(outB, kFrames, 3) && mode2;
        host::setHostFloatingPoint(0x027f);
        mode2 = mc->RenderStereo(outC, kFrames, 2) && mode2;
        twins = twins && sameBits(outA, outB, kSamples);
        modes = modes && sameValues(outA, outC, kSamples);
        finite = finite && allFinite(outA, kSamples);
        for (int i = 0; i < kSamples; ++i) echo = echo || outA[i] != 0.0f;
    }
    check(mode2, "RenderStereo in work mode 2 returns true");
    check(finite, "the output is finite");
    check(echo, "the impulse comes back as an echo");
    check(twins, "the bits do not depend on the host's x87 precision");
    check(modes, "modes 0 and 1 stand still; mode 2 on any buffer equals mode 3 on silence");

    // The same block through ProcessAudio at every stack alignment.
    bool aligned = true;
    for (int misalign = 0; misalign < 16; misalign += 4) {
        fill(outA, kSamples, 100.0f);
        const uintptr_t args[3] = {reinterpret_cast<uintptr_t>(outA), kFrames, 3};
        host::CallReport report{};
        const uintptr_t r = checkedThiscall(slotOf(ma, 3), ma, args, 3, misalign, &report);
        aligned =
            aligned && host::cleanCall(report) && (r & 0xff) == 1 && allFinite(outA, kSamples);
    }
    check(aligned, "rendering keeps the calling convention at every stack alignment");
}

// Every operation by slot, at every stack alignment, with the result it must give. Work that
// has its own checks above is called here once more only for the convention.
void checkSlots(Hosted& hosted) {
    CMDKMachineInterface* m = hosted.machine;
    static float samples[kSamples], saved[kSamples];
    garbage(samples, kSamples);
    memcpy(saved, samples, sizeof saved);
    ByteSink sink;
    const uintptr_t buffer = reinterpret_cast<uintptr_t>(samples);
    const uintptr_t out = reinterpret_cast<uintptr_t>(&sink);
    const uintptr_t extension = reinterpret_cast<uintptr_t>(m) + kExtensionOffset;
    float half = 0.5f;
    const uintptr_t halfBits = *reinterpret_cast<uint32_t*>(&half);

    struct Case {
        int slot;
        const char* what;
        int count;
        uintptr_t args[4];
        uintptr_t mask;  // bits of the result that count (bool results are one byte)
        uintptr_t expected;
    };
    const Case cases[] = {
        {2, "slot 3, ProcessTick", 0, {}, 0, 0},
        {4, "slot 5, relayed with four arguments", 4, {buffer, buffer, 8, 3}, 0xff, 0},
        {5, "slot 6, ignored", 0, {}, 0, 0},
        {6, "slot 7, Save", 1, {out}, 0, 0},
        {7, "slot 8, ignored", 0, {}, 0, 0},
        {8, "slot 9, RunCommand(1)", 1, {1}, 0, 0},
        {8, "slot 9, RunCommand(7)", 1, {7}, 0, 0},
        {9, "slot 10, ignored", 1, {5}, 0, 0},
        {10, "slot 11, ignored", 1, {5}, 0, 0},
        {11, "slot 12, false", 1, {5}, 0xff, 0},
        {12, "slot 13, ignored", 3, {1, 2, 3}, 0, 0},
        {13, "slot 14, ignored", 1, {5}, 0, 0},
        {15, "slot 16, 0", 0, {}, ~uintptr_t{0}, 0},
        {16, "slot 17, false", 3, {1, 2, halfBits}, 0xff, 0},
        {17, "slot 18, ignored", 0, {}, 0, 0},
        {18, "slot 19, -1", 1, {5}, ~uintptr_t{0}, ~uintptr_t{0}},
        {19, "slot 20, ExtensionObject", 0, {}, ~uintptr_t{0}, extension},
        {20, "slot 21, ignored", 1, {5}, 0, 0},
        {21, "slot 22, false, samples untouched", 3, {buffer, kFrames, 3}, 0xff, 0},
        {24, "slot 25, WriteState", 1, {out}, 0, 0},
    };
    const int start = eventCount;
    for (const Case& c : cases) {
        uintptr_t result = 0;
        const bool clean = callEverywhere(m, c.slot, c.args, c.count, c.mask, result);
        char line[96] = "machine ";
        int at = 8;
        for (const char* p = c.what; *p != '\0' && at < 80; ++p) line[at++] = *p;
        const char* tail = ": result and convention";
        for (const char* p = tail; *p != '\0' && at < 95; ++p) line[at++] = *p;
        line[at] = '\0';
        check(clean && result == c.expected, line);
    }
    check(sameBits(samples, saved, kSamples) && eventsSince(start, ""),
          "ignored operations touch no samples and call nothing on the host");
    check(sink.calls == 8 && sink.size == 16,
          "Save and WriteState by slot write four bytes each call");

    // ValueText by slot: a text whose formatting needs the floating-point unit.
    const uintptr_t textArgs[2] = {11, 50};
    uintptr_t text = 0;
    const bool clean = callEverywhere(m, 14, textArgs, 2, ~uintptr_t{0}, text);
    check(clean && host::sameText(reinterpret_cast<const char*>(text), "-6.0dB(50%)"),
          "machine slot 15, ValueText: result and convention");

    // The extension: 42 slots.
    void* ex = reinterpret_cast<void*>(extension);
    TestHelper* helper = hosted.callbacks.helper;
    struct ExCase {
        int slot, count, relay;
        uintptr_t mask, expected;
    };
    const ExCase exCases[] = {{0, 1, 0, ~uintptr_t{0}, 0},
                              {1, 1, 0, 0xff, 0},
                              {2, 2, 0, 0, 0},
                              {3, 2, 1, ~uintptr_t{0}, 0x1001},
                              {4, 1, 2, ~uintptr_t{0}, 0x1002},
                              {5, 2, 3, ~uintptr_t{0}, 0x1003},
                              {6, 3, 5, ~uintptr_t{0}, 0x1005},
                              {7, 3, 0, 0, 0},
                              {8, 2, 4, ~uintptr_t{0}, 0x1004},
                              {9, 3, 0, 0xff, 0}};
    bool exOk = true;
    for (const ExCase& c : exCases) {
        const uintptr_t args[3] = {101, 102, 103};
        helper->lastRelay = 0;
        uintptr_t result = 0;
        const bool cleanCall = callEverywhere(ex, c.slot, args, c.count, c.mask, result);
        const bool relayed = c.relay == 0 ? helper->lastRelay == 0
                                          : helper->relayed(c.relay, 101, c.count > 1 ? 102 : 0,
                                                            c.count > 2 ? 103 : 0);
        if (!(cleanCall && relayed && result == c.expected)) {
            print("     extension slot ");
            printInt(c.slot + 1);
            printLine(" failed");
            exOk = false;
        }
    }
    check(exOk, "extension slots 1 to 10: results, relays and convention");
    bool reserved = true;
    for (int slot = 10; slot < kExtensionSlots; ++slot) {
        uintptr_t result = 0;
        helper->lastRelay = 0;
        reserved =
            callEverywhere(ex, slot, nullptr, 0, 0, result) && helper->lastRelay == 0 && reserved;
    }
    check(reserved && eventsSince(start, ""), "extension slots 11 to 42: ignored, convention kept");
}

void checkDestruction(Hosted& hosted) {
    CMDKMachineInterface* m = hosted.machine;
    const int start = eventCount, freed = helpersFreed;
    // Slot 0 without the delete flag: destroys, keeps the memory, returns the object.
    const uintptr_t keep[1] = {0};
    host::CallReport report{};
    const uintptr_t self = checkedThiscall(slotOf(m, 0), m, keep, 1, 4, &report);
    check(host::cleanCall(report) && self == reinterpret_cast<uintptr_t>(m) &&
              eventsSince(start, "D") && helpersFreed == freed + 1,
          "slot 0 without the delete flag returns the object and destroys the helper");
    check(headerWord(m, kSdkMarkerOffset) == 0x12345678,
          "slot 0 without the delete flag leaves the object's memory alone");
}

void checkDelete(Hosted& hosted) {
    const int start = eventCount, freed = helpersFreed;
    delete hosted.machine;
    check(eventsSince(start, "D") && helpersFreed == freed + 1,
          "delete destroys the helper once, which the host frees with its own delete");
}

}  // namespace

extern "C" void hostEntry() {
    SetUnhandledExceptionFilter(crashFilter);
    host::setHostFloatingPoint(0x027f);
    const char* path = host::firstArgument();
    if (path == nullptr) {
        printLine("usage: msvc_abi_host <path of Tarvo Delay.dll>");
        ExitProcess(2);
    }
    void* library = LoadLibraryA(path);
    if (!check(library != nullptr, "LoadLibraryA loads the library")) {
        print("     error ");
        printInt(static_cast<int32_t>(GetLastError()));
        printLine("");
        finish();
    }
    getInfo = reinterpret_cast<GetInfoFunction>(GetProcAddress(library, "GetInfo"));
    createMachine =
        reinterpret_cast<CreateMachineFunction>(GetProcAddress(library, "CreateMachine"));
    if (!check(getInfo != nullptr && createMachine != nullptr,
               "GetInfo and CreateMachine are exported by plain name"))
        finish();

    const MachineDescription* info = checkDescription();
    checkCreation(info);

    Hosted* a = createHosted();
    Hosted* b = createHosted();
    Hosted* c = createHosted();
    checkInitialization(*a, 4);
    initialize(*b, 8);
    initialize(*c, 12);
    check(b->machine->ExtensionObject() != a->machine->ExtensionObject() &&
              b->callbacks.registered == b->machine->ExtensionObject(),
          "every machine has and registers its own extension");
    checkRendering(*a, *b, *c, info);
    checkRelays(*a);
    checkTexts(a->machine);
    checkSlots(*a);
    checkDelete(*a);
    checkDelete(*b);
    checkDestruction(*c);
    delete c->machine;  // the helper is gone already: nothing more reaches the host
    check(eventsSince(0, "REISREISREISDDD"), "the host saw every call it expected, and no other");
    delete a;
    delete b;
    delete c;
    check(getInfo() == info, "GetInfo still answers after every machine is gone");
    FreeLibrary(library);
    finish();
}
