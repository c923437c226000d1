// The machine as the host sees it: operations called by slot, the helper link, save data.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/host_error.h"
#include "test_support.h"

namespace {

void* slot(CMachineInterface* machine, int index) {
    return (*reinterpret_cast<void***>(machine))[index];
}

class Bytes final : public DataOutput {
  public:
    void HOST_CALL WriteBytes(const void* data, int32_t count) override {
        calls++;
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + count);
    }
    int calls = 0;
    std::vector<uint8_t> bytes;
};

// The host calls operations by slot number, so the slots are checked through plain function
// pointers, never through the C++ class.
TEST(PluginBoundary, OperationsAnswerAtTheirSlots) {
    core::HostedMachine hosted(test::pluginLibrary().code(), 44100, 5512);
    CMachineInterface* m = hosted.machine();

    using ExtensionObjectFn = void*(HOST_CALL*)(void*);
    void* extension = reinterpret_cast<ExtensionObjectFn>(slot(m, SlotExtensionObject))(m);
    EXPECT_EQ(extension, hosted.registeredExtension());
    EXPECT_EQ(reinterpret_cast<char*>(extension), reinterpret_cast<char*>(m) + 7 * sizeof(void*))
        << "the extension is embedded right after mdkHelper in the header";

    using WriteStateFn = void(HOST_CALL*)(void*, DataOutput*);
    Bytes out;
    reinterpret_cast<WriteStateFn>(slot(m, SlotWriteState))(m, &out);
    EXPECT_EQ(out.calls, 1);
    EXPECT_EQ(out.bytes, (std::vector<uint8_t>{0x64, 0x00, 0x00, 0x00}));

    using RenderFn = bool(HOST_CALL*)(void*, float*, int32_t, int32_t);
    float frames[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(reinterpret_cast<RenderFn>(slot(m, SlotRenderStereo))(m, frames, 4, 0));
    EXPECT_FALSE(reinterpret_cast<RenderFn>(slot(m, SlotRenderMono))(m, frames, 4, 3));
    EXPECT_EQ(frames[7], 8.0f) << "work mode 0 and the mono render touch no sample";

    using RunCommandFn = void(HOST_CALL*)(void*, int32_t);
    reinterpret_cast<RunCommandFn>(slot(m, SlotRunCommand))(m, 1);

    using ValueTextFn = const char*(HOST_CALL*)(void*, int32_t, int32_t);
    EXPECT_EQ(reinterpret_cast<ValueTextFn>(slot(m, SlotValueText))(m, 36, 0), nullptr);

    using QueryIntFn = int32_t(HOST_CALL*)(void*, int32_t);
    EXPECT_EQ(reinterpret_cast<QueryIntFn>(slot(m, 18))(m, 0), -1);
    using QueryBoolFn = bool(HOST_CALL*)(void*, int32_t);
    EXPECT_FALSE(reinterpret_cast<QueryBoolFn>(slot(m, 11))(m, 0));
}

TEST(PluginBoundary, SlotZeroWithTheDeleteFlagDestroysAFreshMachine) {
    CMachineInterface* m = test::pluginLibrary().createMachine();
    ASSERT_NE(m, nullptr);
    using DestroyFn = void*(HOST_CALL*)(void*, uint32_t);
    EXPECT_EQ(reinterpret_cast<DestroyFn>(slot(m, SlotDestroy))(m, 1), static_cast<void*>(m));
}

TEST(PluginBoundary, CreationSetsOnlyTheHeader) {
    CMachineInterface* m = test::pluginLibrary().createMachine();
    auto* machine = static_cast<CMDKMachineInterface*>(m);
    EXPECT_NE(m->globalValues, nullptr);
    EXPECT_GT(static_cast<char*>(m->globalValues), reinterpret_cast<char*>(m))
        << "the record lies inside the machine object";
    EXPECT_EQ(m->trackValues, nullptr);
    EXPECT_EQ(m->attributeValues, nullptr);
    EXPECT_EQ(machine->mdkHelper, nullptr);
    uint32_t marker;
    std::memcpy(&marker, reinterpret_cast<char*>(m) + 9 * sizeof(void*), sizeof marker);
    EXPECT_EQ(marker, 0x12345678u);
    m->Destroy(1);
}

TEST(PluginBoundary, InitializeLinksHelperAndExtensionAndSetsUpInStereo) {
    core::HostedMachine hosted(test::pluginLibrary().code(), 44100, 5512);
    auto* machine = static_cast<CMDKMachineInterface*>(hosted.machine());
    ASSERT_NE(machine->mdkHelper, nullptr);
    EXPECT_EQ(machine->mdkHelper->machine, hosted.machine());
    EXPECT_TRUE(hosted.stereoSelected());
    auto* extension = static_cast<CMDKMachineInterfaceEx*>(machine->ExtensionObject());
    EXPECT_EQ(hosted.registeredExtension(), extension);
    EXPECT_EQ(extension->helper, machine->mdkHelper);
    EXPECT_EQ(hosted.save(), (std::vector<uint8_t>{0x64, 0x00, 0x00, 0x00}));
}

TEST(PluginBoundary, EveryMachineHasItsOwnRecordAndExtension) {
    core::HostedMachine a(test::pluginLibrary().code(), 44100, 5512);
    core::HostedMachine b(test::pluginLibrary().code(), 48000, 6000);
    auto* ma = static_cast<CMDKMachineInterface*>(a.machine());
    auto* mb = static_cast<CMDKMachineInterface*>(b.machine());
    EXPECT_NE(ma->globalValues, mb->globalValues);
    EXPECT_NE(ma->ExtensionObject(), mb->ExtensionObject());
    EXPECT_NE(ma->mdkHelper, mb->mdkHelper);
}

TEST(PluginBoundary, AboutCommandShowsTheTextOnlyForIndexZero) {
    core::HostedMachine hosted(test::pluginLibrary().code(), 44100, 5512);
    testing::internal::CaptureStderr();
    hosted.machine()->RunCommand(1);
    hosted.machine()->RunCommand(-1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();
    hosted.machine()->RunCommand(0);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Tarvo Delay v1.0\n\n", 0), 0u);
}

TEST(PluginBoundary, MissingLibraryOrExportIsNamed) {
    try {
        offline::PluginLibrary missing("/nonexistent/Tarvo Delay.so");
        FAIL() << "loading a missing library must fail";
    } catch (const core::HostError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/Tarvo Delay.so"), std::string::npos);
    }
}

}  // namespace
