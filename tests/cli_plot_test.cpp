// tarvo-delay plot, end to end: the echo table of hand-worked settings, the wet response
// against the machine's own filter design, and where the picture puts what it draws.
#include <cmath>
#include <complex>
#include <sstream>

#include "cli_support.h"
#include "control_support.h"
#include "json_reader.h"

#ifdef TARVO_CLI_PATH

#include <cairo.h>

namespace {

using clitest::CliTest;
using jsontest::Value;

constexpr double kHalfDb = -6.0206;  // 20 log10(0.5): one pass through a 50 % loop

class PlotTest : public CliTest {
  protected:
    Value plot(std::vector<std::string> extra, const std::string& picture = "p.png") {
        std::vector<std::string> args = {"plot", "--json", "-o", path(picture)};
        args.insert(args.end(), extra.begin(), extra.end());
        const clitest::Result r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return jsontest::parse(r.out);
    }
};

std::vector<const Value*> echoesOn(const Value& report, const std::string& side) {
    std::vector<const Value*> echoes;
    for (const Value& e : report["echoes"].items)
        if (e["side"].text == side) echoes.push_back(&e);
    return echoes;
}

// Each echo `spacing` frames after the one before and `stepDb` below it.
void expectTrain(const std::vector<const Value*>& echoes, double first, double spacing,
                 double firstDb, double stepDb, const std::string& what) {
    for (size_t i = 0; i < echoes.size(); ++i) {
        EXPECT_EQ((*echoes[i])["frame"].number, first + spacing * i) << what << " echo " << i;
        EXPECT_NEAR((*echoes[i])["levelDb"].number, firstDb + stepDb * i, 0.01)
            << what << " echo " << i;
    }
}

TEST_F(PlotTest, TheDefaultsEchoEveryLoopLengthAtHalfTheLevel) {
    const Value report = plot({});
    // Four ticks of 5250 samples (126 BPM, 4 ticks per beat at 44100 Hz); an offset of 0 acts
    // as one frame. The table runs until the echoes fall under -60 dB: nine of them.
    for (const std::string side : {"left", "right"}) {
        const auto echoes = echoesOn(report, side);
        ASSERT_EQ(echoes.size(), 9u) << side;
        expectTrain(echoes, 1, 21000, kHalfDb, kHalfDb, side);
        EXPECT_EQ((*echoes[0])["polarity"].number, 1);
        EXPECT_NEAR((*echoes[1])["ticks"].number, 4.0, 0.001);
        EXPECT_NEAR(report["dry"][side]["levelDb"].number, 0.0, 1e-6);
    }
    // The picture reaches past the last echo, and no further than 30 s.
    EXPECT_GT(report["ms"].number, echoesOn(report, "left").back()->operator[]("ms").number);
    EXPECT_LE(report["ms"].number, 30000.0);

    // The text table says the same.
    const clitest::Result text = run({"plot", "-o", path("p.png")});
    std::istringstream lines(text.out);
    std::string comment, heading;
    std::getline(lines, comment);
    std::getline(lines, heading);
    EXPECT_EQ(comment.rfind("# dry", 0), 0u) << comment;
    long long frame = 0;
    double ms = 0, ticks = 0, level = 0;
    std::string side, polarity;
    lines >> frame >> ms >> ticks >> level >> side >> polarity;
    EXPECT_EQ(frame, 1);
    EXPECT_NEAR(level, kHalfDb, 0.01);
    EXPECT_EQ(side, "left");
    EXPECT_EQ(polarity, "+");
}

TEST_F(PlotTest, EndlessFeedbackIsDrawnForThirtySeconds) {
    const Value report = plot({"--set", "DLY FbackL=100", "--set", "DLY FbackR=100"});
    EXPECT_EQ(report["ms"].number, 30000.0);
    // The loop loses nothing: the last echo drawn is as loud as the impulse.
    EXPECT_NEAR(echoesOn(report, "left").back()->operator[]("levelDb").number, 0.0, 0.01);
    EXPECT_GT(echoesOn(report, "left").back()->operator[]("ms").number, 29000.0);
}

TEST_F(PlotTest, AnOffsetLinePutsTheFirstEcho) {
    // At 1000 samples per tick: the first echo 2.5 ticks after the impulse, then one every
    // 3 ticks. Only the left input gets the impulse, so the right output stays silent.
    const Value report = plot({"--tpt", "1000", "--side", "left", "--seconds", "0.3", "--set",
                               "DLY OffsetL=2500", "--set", "DLY DelayL=3000"});
    const auto left = echoesOn(report, "left");
    ASSERT_EQ(left.size(), 4u);  // 2500 .. 11500 frames within 0.3 s (13230 frames)
    expectTrain(left, 2500, 3000, kHalfDb, kHalfDb, "left");
    EXPECT_NEAR((*left[0])["ticks"].number, 2.5, 1e-9);
    EXPECT_NEAR((*left[0])["ms"].number, 2500 * 1000.0 / 44100, 1e-3);
    EXPECT_TRUE(echoesOn(report, "right").empty());
    EXPECT_EQ(report["dry"]["right"]["levelDb"].kind, Value::Null);
    EXPECT_EQ(report["ticksPerBeat"].kind, Value::Null);
}

TEST_F(PlotTest, InvertedEchoesKeepTheirLevelAndShowTheirSign) {
    const Value report = plot({"--seconds", "2", "--set", "DLY ModeL=Inverted"});
    const auto left = echoesOn(report, "left"), right = echoesOn(report, "right");
    ASSERT_EQ(left.size(), 5u);
    // The loop keeps what it holds; only its read-out is negated, so every echo is negative.
    expectTrain(left, 1, 21000, kHalfDb, kHalfDb, "inverted");
    for (const Value* e : left) EXPECT_EQ((*e)["polarity"].number, -1);
    for (const Value* e : right) EXPECT_EQ((*e)["polarity"].number, 1);
    EXPECT_EQ(report["dry"]["left"]["polarity"].number, 1);
}

TEST_F(PlotTest, PanPositionsChooseTheLane) {
    // Hard over: the left wet signal sounds on the right output only.
    Value report = plot({"--side", "left", "--seconds", "1", "--set", "PAN PosL A=100"});
    EXPECT_TRUE(echoesOn(report, "left").empty());
    expectTrain(echoesOn(report, "right"), 1, 21000, kHalfDb, kHalfDb, "hard right");
    // Centred: half on each side, 6 dB down on both.
    report = plot({"--side", "left", "--seconds", "1", "--set", "PAN PosL A=50"});
    for (const std::string side : {"left", "right"}) {
        ASSERT_EQ(echoesOn(report, side).size(), 3u) << side;
        expectTrain(echoesOn(report, side), 1, 21000, 2 * kHalfDb, kHalfDb, side);
    }
}

TEST_F(PlotTest, GlidesHaveArrivedWhenTheImpulseEnters) {
    // Eight ticks of inertia: a setting drawn at once would show the feedback still gliding
    // up from its default 50 %.
    const Value report = plot({"--seconds", "1.5", "--set", "Inertia=8", "--set", "DLY FbackL=80",
                               "--set", "AMP WetoutR=200"});
    expectTrain(echoesOn(report, "left"), 1, 21000, 20 * std::log10(0.8), 20 * std::log10(0.8),
                "left");
    expectTrain(echoesOn(report, "right"), 1, 21000, kHalfDb + 20 * std::log10(2.0), kHalfDb,
                "right");
    EXPECT_EQ(report["impulse"]["leadInFrames"].number, 9 * 5250);
}

TEST_F(PlotTest, TheTempoAndRateSetTheEchoTimes) {
    // 4 ticks at 48000 Hz, 100 BPM and 6 ticks per beat: 4 × 4800 frames.
    const Value report = plot({"--rate", "48000", "--bpm", "100", "--tpb", "6", "--seconds", "1"});
    EXPECT_EQ(report["samplesPerTick"].number, 4800);
    const auto left = echoesOn(report, "left");
    ASSERT_EQ(left.size(), 3u);
    expectTrain(left, 1, 19200, kHalfDb, kHalfDb, "48 kHz");
    EXPECT_NEAR((*left[1])["ms"].number, 19201 / 48.0, 1e-3);
    EXPECT_EQ(report["response"]["hz"].items.back().number, 24000.0);
}

TEST_F(PlotTest, TheWholeTailShowsTheComb) {
    // Echoes of 0.5, 0.25, ... every loop: teeth at 0.5 / (1 - 0.5) = 0 dB, gaps at
    // 0.5 / (1 + 0.5) = -9.54 dB. The curve runs along the teeth.
    const Value report = plot({"--whole", "--seconds", "10", "--floor", "-120"});
    EXPECT_EQ(report["response"]["of"].text, "whole");
    const Value& left = report["response"]["left"];
    double highest = -1e9;
    for (const Value& level : left.items) highest = std::max(highest, level.number);
    EXPECT_NEAR(highest, 0.0, 0.1);
    // A modulated setting says so.
    EXPECT_TRUE(report["modulated"].items.empty());
    const Value modulated = plot({"--seconds", "1", "--set", "PAN LFOType=Sine"});
    ASSERT_EQ(modulated["modulated"].items.size(), 1u);
    EXPECT_NE(modulated["title"].text.find("PAN LFOType"), std::string::npos);
}

// |H| of the machine's biquad y = b0 x + b1 x1 + b2 x2 + fb1 y1 + fb2 y2 at `hz`.
double biquadDb(const float* c, double hz, double rate) {
    const std::complex<double> z1 = std::polar(1.0, -2 * 3.141592653589793 * hz / rate);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> h = (double(c[0]) + double(c[1]) * z1 + double(c[2]) * z2) /
                                   (1.0 - double(c[3]) * z1 - double(c[4]) * z2);
    return 20 * std::log10(std::abs(h));
}

TEST_F(PlotTest, TheFirstEchosResponseIsTheFilterDesign) {
    // "LP/HP": a resonant low-pass on the left, the high-pass on the right. The first echo has
    // passed the loop once (50 %), so the response is the filter's 6 dB down.
    const int cutoff = 26000, resonance = 12;
    const Value report = plot({"--seconds", "0.4", "--set", "FLT Type=LP/HP", "--set",
                               "FLT Cutoff=" + std::to_string(cutoff), "--set",
                               "FLT Res=" + std::to_string(resonance)});
    EXPECT_EQ(report["response"]["of"].text, "first echo");

    test::LocalMachine m(44100);
    test::tick(m, {{ParamInertia, 0},
                   {ParamFilterType, 5},
                   {ParamCutoff, cutoff},
                   {ParamResonance, resonance}});
    test::glide(m, 2);
    const double designedHz = m->cutoffCurrent;
    ASSERT_GT(designedHz, 1000.0);
    ASSERT_LT(designedHz, 5000.0);

    const Value& response = report["response"];
    size_t checked = 0;
    for (double wanted : {100.0, 1000.0, designedHz, 2 * designedHz, 8000.0}) {
        // The curve's point nearest the frequency.
        size_t best = 0;
        for (size_t i = 0; i < response["hz"].items.size(); ++i)
            if (std::fabs(std::log(response["hz"].items[i].number / wanted)) <
                std::fabs(std::log(response["hz"].items[best].number / wanted)))
                best = i;
        const double hz = response["hz"].items[best].number;
        EXPECT_NEAR(response["left"].items[best].number,
                    kHalfDb + biquadDb(m->filterCoefLeft, hz, 44100), 1.0)
            << "low-pass at " << hz << " Hz";
        EXPECT_NEAR(response["right"].items[best].number,
                    kHalfDb + biquadDb(m->filterCoefRight, hz, 44100), 1.0)
            << "high-pass at " << hz << " Hz";
        ++checked;
    }
    EXPECT_EQ(checked, 5u);
    // The resonance shows: the low-pass stands above its pass band near the cutoff.
    EXPECT_GT(biquadDb(m->filterCoefLeft, designedHz, 44100), 6.0);
}

// ARGB32 pixels of a PNG as cairo reads them back.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * width + x] & 0xffffff;
    }
};

Picture readPng(const std::string& file) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(file.c_str());
    Picture picture;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        picture.width = cairo_image_surface_get_width(surface);
        picture.height = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                uint32_t pixel;
                std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + 4 * x, 4);
                picture.pixels.push_back(pixel);
            }
    }
    cairo_surface_destroy(surface);
    return picture;
}

uint32_t rgbOf(const std::string& hex) {
    return static_cast<uint32_t>(std::stoul(hex.substr(1), nullptr, 16));
}

bool near(uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((a >> shift) & 0xff) -
                     static_cast<int>((b >> shift) & 0xff)) > 24)
            return false;
    return true;
}

TEST_F(PlotTest, TheFirstEchosStemStandsWhereItsTimeIsDrawn) {
    for (const std::string theme : {"dark", "light"}) {
        // One echo in the picture: 10500 frames (two ticks) after the impulse.
        const Value report = plot(
            {"--theme", theme, "--side", "left", "--seconds", "0.6", "--set", "DLY OffsetL=2000"});
        const auto left = echoesOn(report, "left");
        ASSERT_EQ(left.size(), 1u);
        const Value& layout = report["layout"];
        const double x = layout["timeLeft"].number +
                         (*left[0])["ms"].number / report["ms"].number *
                             (layout["timeRight"].number - layout["timeLeft"].number);

        const Picture picture = readPng(path("p.png"));
        ASSERT_EQ(picture.width, 1200);
        ASSERT_EQ(picture.height, 800);
        const Value& lane = layout["lanes"]["left"];
        const uint32_t ink = rgbOf(layout["colours"]["left"].text);
        // A row through the lower part of the stem, under its head at -6 dB.
        const int y = static_cast<int>(lane["bottom"].number -
                                       0.3 * (lane["bottom"].number - lane["top"].number));
        std::vector<int> inked;
        for (int column = static_cast<int>(lane["left"].number) + 2;
             column < static_cast<int>(lane["right"].number); ++column)
            if (near(picture.at(column, y), ink)) inked.push_back(column);
        ASSERT_FALSE(inked.empty()) << theme;
        for (int column : inked) EXPECT_NEAR(column + 0.5, x, 1.5) << theme;
        // The right lane holds no stem at all.
        const Value& right = layout["lanes"]["right"];
        const int yRight = static_cast<int>(right["bottom"].number - 20);
        for (int column = static_cast<int>(right["left"].number) + 2;
             column < static_cast<int>(right["right"].number); ++column)
            EXPECT_FALSE(near(picture.at(column, yRight), rgbOf(layout["colours"]["right"].text)))
                << theme << " column " << column;
    }
}

// Well-formed XML: every element closed in order, attributes quoted.
bool wellFormedXml(const std::string& text, std::string& root) {
    std::vector<std::string> open;
    size_t at = 0;
    while ((at = text.find('<', at)) != std::string::npos) {
        if (text.compare(at, 4, "<!--") == 0) {
            at = text.find("-->", at);
            if (at == std::string::npos) return false;
            continue;
        }
        const size_t end = text.find('>', at);
        if (end == std::string::npos) return false;
        const std::string tag = text.substr(at + 1, end - at - 1);
        at = end + 1;
        if (tag.empty()) return false;
        if (tag[0] == '?' || tag[0] == '!') continue;
        if (std::count(tag.begin(), tag.end(), '"') % 2 != 0) return false;
        const std::string name = tag.substr(
            tag[0] == '/' ? 1 : 0, tag.find_first_of(" \t\n/", 1) - (tag[0] == '/' ? 1 : 0));
        if (tag[0] == '/') {
            if (open.empty() || open.back() != name) return false;
            open.pop_back();
        } else if (tag.back() != '/') {
            if (open.empty() && root.empty()) root = name;
            open.push_back(name);
        } else if (root.empty()) {
            root = name;
        }
    }
    return open.empty() && !root.empty();
}

TEST_F(PlotTest, APresetIsDrawnUnderItsNameAndASetChangesIt) {
    // The ping-pong of eighths: at 4 ticks per beat the left echo two ticks after the impulse
    // and the right one two ticks later, every four ticks on each side.
    const Value report = plot({"--preset", "ping-pong-eighths", "--seconds", "1"});
    const auto left = echoesOn(report, "left");
    const auto right = echoesOn(report, "right");
    ASSERT_GE(left.size(), 2u);
    ASSERT_GE(right.size(), 2u);
    EXPECT_NEAR((*left[0])["ticks"].number, 2.0, 1e-9);
    EXPECT_NEAR((*right[0])["ticks"].number, 4.0, 1e-9);
    EXPECT_NEAR((*left[1])["ticks"].number, 6.0, 1e-9);
    EXPECT_EQ(report["title"].text, "Tarvo Delay: ping-pong-eighths");

    // A --set over the preset is named beside it and changes what is drawn.
    const Value changed =
        plot({"--preset", "ping-pong-eighths", "--seconds", "1", "--set", "DLY OffsetL=0"});
    EXPECT_EQ(changed["title"].text, "Tarvo Delay: ping-pong-eighths with DLY OffsetL=0");
    ASSERT_FALSE(echoesOn(changed, "left").empty());
    EXPECT_LT((*echoesOn(changed, "left")[0])["ticks"].number, 2.0);

    EXPECT_FAILS_WITH(run({"plot", "-o", path("p.png"), "--preset", "no-such-preset"}), 2,
                      "ping-pong-eighths");
}

TEST_F(PlotTest, PicturesOpenAsPngAndSvg) {
    plot({"--seconds", "1", "--size", "900x600", "--set", "FLT Type=BP/BR"}, "p.png");
    const Picture png = readPng(path("p.png"));
    EXPECT_EQ(png.width, 900);
    EXPECT_EQ(png.height, 600);

    plot({"--seconds", "1", "--whole", "--set", "FLT Type=BP/BR"}, "p.SVG");
    const std::string svg = clitest::readFile(path("p.SVG"));
    std::string root;
    EXPECT_TRUE(wellFormedXml(svg, root));
    EXPECT_EQ(root, "svg");
    EXPECT_NE(svg.find("width=\"1200"), std::string::npos);
    EXPECT_TRUE(strayFiles({"p.png", "p.SVG"}).empty());
}

TEST_F(PlotTest, BadRequestsStopBeforeAnythingIsWritten) {
    EXPECT_FAILS_WITH(run({"plot", "-o", path("p.gif")}), 2, ".png or .svg");
    EXPECT_FAILS_WITH(run({"plot", "-o", path("p.png"), "--size", "20x20"}), 2, "--size");
    EXPECT_FAILS_WITH(run({"plot", "-o", path("p.png"), "--set", "DLY FbackL=101"}), 2, "--set");
    EXPECT_FAILS_WITH(run({"plot", "-o", path("p.png"), "--seconds", "31"}), 2, "--seconds");
    EXPECT_TRUE(strayFiles({}).empty());
}

}  // namespace

#endif  // TARVO_CLI_PATH
