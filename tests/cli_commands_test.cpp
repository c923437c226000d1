// tarvo-delay script, params and demo, end to end.
#include "cli_support.h"

#ifdef TARVO_CLI_PATH

#include "json_reader.h"

namespace {

using clitest::CliTest;
using clitest::readFloats;
using clitest::writeFile;
using clitest::writeFloats;

using ScriptTest = CliTest;

// Frames of the left channel of an interleaved stream whose magnitude exceeds `level`.
std::vector<size_t> loudLeft(const std::vector<float>& stream, float level) {
    std::vector<size_t> frames;
    for (size_t i = 0; i < stream.size() / 2; ++i)
        if (std::fabs(stream[2 * i]) > level) frames.push_back(i);
    return frames;
}

TEST_F(ScriptTest, ReplaysLongBlocksAndPrintsTexts) {
    // One render call of 600 frames; the echo falls beyond the 256th.
    writeFile(path("s.txt"),
              "# one long block\n"
              "rate 44100\n"
              "tpt\t1000\n"
              "create\n"
              "tick defaults 3=32400 11=0 12=0   # offset 400 samples, dry fading out\n"
              "\n"
              "render 600 3\n"
              "text 36 0\n"
              "text 5 50\n"
              "destroy\n");
    std::vector<float> in(2000, 0.0f);
    in[0] = 10000.0f;
    writeFloats(path("in.f32"), in);
    const auto result =
        run({"script", path("s.txt"), "--in", path("in.f32"), "--out", path("out.f32")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "(null)\n50%\n");
    const std::vector<float> out = readFloats(path("out.f32"));
    ASSERT_EQ(out.size(), 1200u);
    EXPECT_EQ(loudLeft(out, 1.0f), (std::vector<size_t>{0, 400}));
    EXPECT_NEAR(out[800], 5000.0f, 0.01f);
}

TEST_F(ScriptTest, ATempoChangeShortensTicks) {
    // An offset of two ticks, first at 1000 then at 500 samples per tick; renders in blocks
    // of 250 frames, with silent input after the stream ends (--pad).
    std::string script = "tpt 1000\ncreate\ntick defaults 3=2000 1=62000 11=0 12=0\n";
    for (int i = 0; i < 20; ++i) script += "render 250 3\n";
    script += "tpt 500\ntick 3=2000\n";
    for (int i = 0; i < 24; ++i) script += "render 250 3\n";
    writeFile(path("s.txt"), script);
    std::vector<float> in(2 * 8000, 0.0f);
    in[2 * 2000] = 10000.0f;
    in[2 * 7000] = 10000.0f;
    writeFloats(path("in.f32"), in);

    const auto result =
        run({"script", path("s.txt"), "--in", path("in.f32"), "--out", path("out.f32"), "--pad"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    const std::vector<float> out = readFloats(path("out.f32"));
    ASSERT_EQ(out.size(), 2u * 11000);
    EXPECT_EQ(loudLeft(out, 1.0f), (std::vector<size_t>{4000, 8000}));

    // Without --in the input is silent; without --out nothing is written.
    const auto silent = run({"script", path("s.txt")});
    EXPECT_EQ(silent.status, 0) << silent.err;
}

TEST_F(ScriptTest, ABadLineStopsEverything) {
    writeFile(path("s.txt"), "create\ntick defaults\nrender 100\nrender 100 3\n");
    EXPECT_FAILS_WITH(run({"script", path("s.txt"), "--out", path("out.f32")}), 2, "s.txt: line 3");
    writeFile(path("s.txt"), "render 100 3\n");
    EXPECT_FAILS_WITH(run({"script", path("s.txt"), "--out", path("out.f32")}), 2, "line 1");
    writeFile(path("s.txt"), "create\ntick 5=300\n");
    EXPECT_FAILS_WITH(run({"script", path("s.txt")}), 2, "line 2");
    EXPECT_FALSE(clitest::fs::exists(path("out.f32"))) << "nothing rendered, nothing written";

    writeFile(path("s.txt"), "create\nrender 10 3\n");
    EXPECT_FAILS_WITH(run({"script", path("missing.txt")}), 1, "missing.txt");
    EXPECT_FAILS_WITH(run({"script", path("s.txt"), "--in", path("missing.f32")}), 1,
                      "missing.f32");
    writeFile(path("odd.f32"), "12345");
    EXPECT_FAILS_WITH(run({"script", path("s.txt"), "--in", path("odd.f32")}), 1, "odd.f32");
    EXPECT_FAILS_WITH(run({"script", path("s.txt"), "--out", path("s.txt")}), 2, "s.txt");
    EXPECT_FAILS_WITH(run({"script"}), 2, "SCRIPT");
}

TEST_F(CliTest, ParamsListsEveryParameter) {
    const auto json = run({"params", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const jsontest::Value list = jsontest::parse(json.out);
    ASSERT_EQ(list.kind, jsontest::Value::Array);
    ASSERT_EQ(list.items.size(), 36u);
    for (size_t i = 0; i < list.items.size(); ++i) {
        const jsontest::Value& p = list.items[i];
        EXPECT_EQ(p["index"].number, static_cast<double>(i));
        EXPECT_LE(p["min"].number, p["default"].number) << i;
        EXPECT_LE(p["default"].number, p["max"].number) << i;
        EXPECT_TRUE(p["defaultText"].kind == jsontest::Value::String ||
                    p["defaultText"].kind == jsontest::Value::Null);
    }
    const jsontest::Value& feedback = list.items[5];
    EXPECT_EQ(feedback["name"].text, "DLY FbackL");
    EXPECT_EQ(feedback["description"].text, "DLY Feedback Left");
    EXPECT_EQ(feedback["type"].text, "byte");
    EXPECT_EQ(feedback["max"].number, 100);
    EXPECT_EQ(feedback["default"].number, 50);
    EXPECT_EQ(list.items[19]["description"].text, " PAN LFO Rate L") << "texts as they are";
    EXPECT_EQ(list.items[34]["type"].text, "word");

    const auto table = run({"params"});
    ASSERT_EQ(table.status, 0);
    EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 37) << "a heading and 36";
    EXPECT_NE(table.out.find("ETC Resample"), std::string::npos);
}

TEST_F(CliTest, ParamsShowTheDefaultsValueTexts) {
    const jsontest::Value list = jsontest::parse(run({"params", "--json"}).out);
    EXPECT_EQ(list.items[0]["defaultText"].text, "Stereo");
    EXPECT_EQ(list.items[5]["defaultText"].text, "50%");
    EXPECT_EQ(list.items[21]["defaultText"].text, "0\u00B0") << "degree sign in UTF-8";
    const jsontest::Value& types = list.items[24]["values"];
    ASSERT_EQ(types.items.size(), 7u);
    EXPECT_EQ(types.items[0].text, "No Filter");
    EXPECT_EQ(types.items[6].text, "BP/BR");
    EXPECT_EQ(list.items[7]["values"].items.size(), 6u);
    EXPECT_EQ(list.items[5].members.count("values"), 0u) << "only enumerated parameters";

    const auto table = run({"params"});
    EXPECT_NE(table.out.find("No Filter"), std::string::npos);
}

TEST_F(CliTest, DemoWritesAudibleEchoes) {
    const auto result = run({"demo", "-o", path("demo.wav")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << result.out;
    EXPECT_NE(result.out.find(path("demo.wav")), std::string::npos);
    EXPECT_NE(result.out.find("dBFS"), std::string::npos);

    const clitest::Audio demo = clitest::readAudio(path("demo.wav"));
    EXPECT_EQ(demo.rate, 44100);
    EXPECT_EQ(demo.channels, 2);
    EXPECT_GT(demo.frames(), 5u * 44100) << "the echoes ring on after the 4 s phrase";
    // The phrase's last hit has died away by 3.6 s; what sounds from there on is echo.
    float echo = 0.0f, peak = 0.0f;
    for (size_t i = 0; i < demo.frames(); ++i)
        for (int c = 0; c < 2; ++c) {
            peak = std::max(peak, std::fabs(demo.at(i, c)));
            if (i >= 3.6 * 44100) echo = std::max(echo, std::fabs(demo.at(i, c)));
        }
    EXPECT_GT(echo, 0.03f);
    EXPECT_LT(peak, 1.0f) << "loud, not clipping";
}

}  // namespace

#endif  // TARVO_CLI_PATH
