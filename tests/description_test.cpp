#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "machine/parameters.h"
#include "test_support.h"

namespace {

TEST(Description, HeaderFieldsAreTheHostsVocabulary) {
    const MachineDescription* info = test::pluginLibrary().info();
    EXPECT_EQ(info, test::pluginLibrary().info()) << "every call returns the same record";
    EXPECT_EQ(info->typeCode, 2);
    EXPECT_EQ(info->interfaceVersion, 15);
    EXPECT_EQ(info->flags, 16);
    EXPECT_EQ(info->minTracks, 0);
    EXPECT_EQ(info->maxTracks, 0);
    EXPECT_EQ(info->globalParameterCount, 36);
    EXPECT_EQ(info->trackParameterCount, 0);
    EXPECT_EQ(info->attributeCount, 0);
    EXPECT_EQ(info->attributes, nullptr);
    EXPECT_STREQ(info->displayName, "Tarvo Delay");
    EXPECT_STREQ(info->shortName, "trvd");
    EXPECT_STREQ(info->commands, "&About Delay...");
    EXPECT_EQ(info->reserved, nullptr);
    ASSERT_NE(info->author, nullptr);
}

TEST(Description, ParameterTableLaysOutTheFiftyTwoByteRecord) {
    const MachineDescription* info = test::pluginLibrary().info();
    int offset = 0;
    for (int i = 0; i < info->globalParameterCount; ++i) {
        const ParameterDescriptor& p = *info->parameters[i];
        SCOPED_TRACE(p.name);
        EXPECT_EQ(globalValuesOffset(i), offset);
        const bool word = p.type == ParameterWord;
        ASSERT_TRUE(word || p.type == ParameterByte);
        EXPECT_EQ(p.noValue, word ? 65535 : 255);
        EXPECT_EQ(p.flags, 2);
        EXPECT_LE(p.minValue, p.defaultValue);
        EXPECT_LE(p.defaultValue, p.maxValue);
        EXPECT_TRUE(p.noValue < p.minValue || p.noValue > p.maxValue);
        offset += word ? 2 : 1;
    }
    EXPECT_EQ(offset, 52);
    EXPECT_EQ(globalValuesOffset(ParamResample), 49);
    EXPECT_EQ(globalValuesOffset(ParamInertia), 51);
}

TEST(Description, TextsStandExactlyAsWritten) {
    const MachineDescription* info = test::pluginLibrary().info();
    int leadingSpaces = 0;
    for (int i = 0; i < info->globalParameterCount; ++i)
        leadingSpaces += info->parameters[i]->description[0] == ' ';
    EXPECT_EQ(leadingSpaces, 4);
    EXPECT_STREQ(info->parameters[ParamPanLfoRateLeft]->description, " PAN LFO Rate L");
    EXPECT_STREQ(info->parameters[ParamFilterLfoType]->description, " FLT LFOType");
    EXPECT_STREQ(info->parameters[ParamPanLeftB]->description, "Pan Position Left B");
    EXPECT_STREQ(info->parameters[ParamFeedbackRight]->name, "DLY FbackR");
    EXPECT_STREQ(info->parameters[ParamResample]->name, "ETC Resample");
    EXPECT_EQ(info->parameters[ParamDelayLeft]->maxValue, 65534);
    EXPECT_EQ(info->parameters[ParamCutoff]->defaultValue, 65000);
    EXPECT_EQ(info->parameters[ParamResample]->defaultValue, 44100);
}

}  // namespace
