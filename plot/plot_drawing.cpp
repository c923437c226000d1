#include "plot/plot_drawing.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>

#include "plot/plot_error.h"

namespace plot {

double lowestPlotHz(int32_t sampleRate) {
    constexpr double kTwoDecades = 100.0;
    return std::min(kLowestPlotHz, sampleRate / 2.0 / kTwoDecades);
}

namespace {

constexpr int kLabelledEchoes = 8;           // per lane, the strongest first
constexpr double kMinimumMarkSpacing = 4.0;  // pixels between tick marks worth drawing
constexpr const char* kFont = "DejaVu Sans";

std::string lowerExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string number(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string hertzText(double hz) {
    if (hz < 1.0) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", hz);
        return text;
    }
    if (hz >= 1000.0)
        return number(hz / 1000.0, hz < 10000.0 && std::fmod(hz, 1000.0) != 0.0) + "k";
    return number(hz, 0);
}

enum class Align { Left, Centre, Right };

class Painter {
  public:
    Painter(cairo_t* cr, const Page& page, const Theme& theme, const Layout& layout)
        : cr_(cr), page_(page), theme_(theme), layout_(layout), s_(layout.scale) {
        cairo_select_font_face(cr_, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    }

    void draw() {
        colour(theme_.background);
        cairo_paint(cr_);
        drawTitle();
        topDb_ = laneTopDb(page_);
        for (int side = 0; side < 2; ++side) drawLane(side);
        drawTimeAxis();
        drawSpectrum();
    }

  private:
    void colour(const Colour& c, double alpha = 1.0) {
        cairo_set_source_rgba(cr_, c.r, c.g, c.b, alpha);
    }
    void line(double x0, double y0, double x1, double y1, double width) {
        cairo_set_line_width(cr_, width * s_);
        cairo_move_to(cr_, x0, y0);
        cairo_line_to(cr_, x1, y1);
        cairo_stroke(cr_);
    }
    double textWidth(const std::string& text, double size, bool bold = false) {
        cairo_select_font_face(cr_, kFont, CAIRO_FONT_SLANT_NORMAL,
                               bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr_, size * s_);
        cairo_text_extents_t extents;
        cairo_text_extents(cr_, text.c_str(), &extents);
        return extents.x_advance;
    }
    // Text with its baseline at y; returns its box.
    Box text(const std::string& text, double x, double y, double size, Align align,
             bool bold = false) {
        const double width = textWidth(text, size, bold);
        const double left = align == Align::Left     ? x
                            : align == Align::Centre ? x - width / 2
                                                     : x - width;
        cairo_move_to(cr_, left, y);
        cairo_show_text(cr_, text.c_str());
        return {left, y - size * s_, left + width, y + size * s_ * 0.25};
    }
    // Shortened with an ellipsis to fit `width`.
    std::string fitted(std::string text, double size, double width, bool bold) {
        if (textWidth(text, size, bold) <= width) return text;
        while (!text.empty() && textWidth(text + "\u2026", size, bold) > width) {
            text.pop_back();
            while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
                text.pop_back();  // never half a UTF-8 character
        }
        return text + "\u2026";
    }

    double timeX(double ms) const {
        return layout_.timeLeft + ms / page_.spanMs * (layout_.timeRight - layout_.timeLeft);
    }
    double laneY(const Box& lane, double db) const {
        const double share =
            (std::clamp(db, page_.floorDb, topDb_) - page_.floorDb) / (topDb_ - page_.floorDb);
        return lane.bottom - share * (lane.bottom - lane.top);
    }

    // The title on up to two lines, broken after its commas.
    void drawTitle() {
        const double width = layout_.width - 2 * 16 * s_;
        const double size = 18;
        std::vector<std::string> lines(1);
        size_t at = 0;
        while (at < page_.title.size()) {
            size_t next = page_.title.find(", ", at);
            next = next == std::string::npos ? page_.title.size() : next + 2;
            const std::string piece = page_.title.substr(at, next - at);
            if (!lines.back().empty() && textWidth(lines.back() + piece, size, true) > width &&
                lines.size() < 2)
                lines.emplace_back();
            lines.back() += piece;
            at = next;
        }
        colour(theme_.text);
        double y = 27 * s_;
        for (const std::string& l : lines) {
            text(fitted(l, size, width, true), 16 * s_, y, size, Align::Left, true);
            y += 23 * s_;
        }
        y += 4 * s_;
        colour(theme_.muted);
        text(fitted(page_.subtitle, 13, width, false), 16 * s_, y, 13, Align::Left);
        if (!page_.note.empty()) {
            colour(theme_.dry);
            text(fitted(page_.note, 13, width, false), 16 * s_, y + 19 * s_, 13, Align::Left);
        }
    }

    void drawMarks(const Box& lane) {
        const double tickMs = page_.samplesPerTick * 1000.0 / page_.sampleRate;
        const double tickPx = timeX(tickMs) - timeX(0.0);
        const int perBeat = page_.ticksPerBeat;
        const double beatPx = tickPx * std::max(perBeat, 1);
        if (tickPx >= kMinimumMarkSpacing) {
            colour(theme_.grid);
            for (int64_t k = 1; k * tickMs <= page_.spanMs; ++k)
                if (perBeat == 0 || k % perBeat != 0)
                    line(timeX(k * tickMs), lane.top, timeX(k * tickMs), lane.bottom, 1.0);
        }
        if (perBeat > 0 && beatPx >= kMinimumMarkSpacing) {
            colour(theme_.beat);
            for (int64_t k = perBeat; k * tickMs <= page_.spanMs; k += perBeat)
                line(timeX(k * tickMs), lane.top, timeX(k * tickMs), lane.bottom, 1.2);
        }
    }

    void drawLane(int side) {
        const Box& lane = layout_.lanes[static_cast<size_t>(side)];
        const Colour& ink = side == 0 ? theme_.left : theme_.right;
        drawMarks(lane);
        // Level grid and labels.
        const double step = niceStep((topDb_ - page_.floorDb) / 5.0);
        for (double db = std::ceil(page_.floorDb / step) * step; db <= topDb_ + 1e-9; db += step) {
            const double y = laneY(lane, db);
            colour(theme_.grid);
            line(layout_.timeLeft, y, layout_.timeRight, y, 0.8);
            colour(theme_.muted);
            text(number(db, 0), layout_.dryX - 16 * s_, y + 4 * s_, 11, Align::Right);
        }
        colour(theme_.muted);
        line(layout_.timeLeft, lane.top, layout_.timeLeft, lane.bottom, 1.0);
        line(layout_.timeLeft, lane.bottom, layout_.timeRight, lane.bottom, 1.0);
        colour(ink);
        text(side == 0 ? "left output" : "right output", layout_.timeRight - 4 * s_,
             lane.top + 14 * s_, 13, Align::Right, true);
        colour(theme_.muted);
        if (side == 0) text("dB", layout_.dryX - 16 * s_, lane.top - 4 * s_, 11, Align::Right);

        drawDry(side, lane);

        // Stems: filled heads for positive echoes, hollow ones for negative.
        std::vector<const Echo*> own;
        for (const Echo& e : page_.echoes)
            if (e.side == side) own.push_back(&e);
        cairo_save(cr_);
        cairo_rectangle(cr_, layout_.timeLeft - 6 * s_, lane.top - 6 * s_,
                        layout_.timeRight - layout_.timeLeft + 12 * s_,
                        lane.bottom - lane.top + 12 * s_);
        cairo_clip(cr_);
        for (const Echo* e : own) {
            const double x = timeX(framesToMs(e->frame, page_.sampleRate));
            const double y = laneY(lane, decibels(std::fabs(e->value)));
            colour(ink);
            line(x, lane.bottom, x, y, 2.0);
            cairo_new_path(cr_);
            cairo_arc(cr_, x, y, 3.2 * s_, 0, 2 * M_PI);
            if (e->value < 0.0f) {
                colour(theme_.background);
                cairo_fill_preserve(cr_);
                colour(ink);
                cairo_set_line_width(cr_, 1.5 * s_);
                cairo_stroke(cr_);
            } else {
                cairo_fill(cr_);
            }
        }
        cairo_restore(cr_);

        // The strongest echoes get their time, where the label has room.
        std::stable_sort(own.begin(), own.end(), [](const Echo* a, const Echo* b) {
            return std::fabs(a->value) > std::fabs(b->value);
        });
        std::vector<Box> placed = {
            {layout_.timeRight - 110 * s_, lane.top, layout_.timeRight, lane.top + 18 * s_}};
        int labelled = 0;
        for (const Echo* e : own) {
            if (labelled == kLabelledEchoes) break;
            const double ms = framesToMs(e->frame, page_.sampleRate);
            const std::string label = number(ms, ms < 10.0 ? 2 : ms < 100.0 ? 1 : 0) + " ms";
            const double x = timeX(ms);
            const double y = laneY(lane, decibels(std::fabs(e->value))) - 7 * s_;
            const double width = textWidth(label, 10.5);
            Box box{x - width / 2 - 2 * s_, y - 11 * s_, x + width / 2 + 2 * s_, y + 3 * s_};
            if (box.left < layout_.timeLeft)
                box = {layout_.timeLeft, box.top, layout_.timeLeft + width + 4 * s_, box.bottom};
            if (box.right > layout_.width - 2.0 || box.top < lane.top - 14 * s_) continue;
            const bool overlaps = std::any_of(placed.begin(), placed.end(), [&](const Box& b) {
                return box.left < b.right && b.left < box.right && box.top < b.bottom &&
                       b.top < box.bottom;
            });
            if (overlaps) continue;
            placed.push_back(box);
            colour(theme_.text);
            text(label, (box.left + box.right) / 2, y, 10.5, Align::Centre);
            ++labelled;
        }
    }

    // The dry impulse stands apart, left of the time axis, dashed, with a diamond head.
    void drawDry(int side, const Box& lane) {
        const float dry = page_.dry[static_cast<size_t>(side)];
        colour(theme_.dry);
        text("dry", layout_.dryX, lane.bottom + 13 * s_, 10.5, Align::Centre);
        if (dry == 0.0f) {
            text("off", layout_.dryX, lane.bottom - 4 * s_, 10, Align::Centre);
            return;
        }
        const double y = laneY(lane, decibels(std::fabs(dry)));
        const double dash[] = {3.0 * s_, 2.0 * s_};
        cairo_set_dash(cr_, dash, 2, 0);
        line(layout_.dryX, lane.bottom, layout_.dryX, y, 2.0);
        cairo_set_dash(cr_, nullptr, 0, 0);
        const double r = 4.5 * s_;
        cairo_move_to(cr_, layout_.dryX, y - r);
        cairo_line_to(cr_, layout_.dryX + r, y);
        cairo_line_to(cr_, layout_.dryX, y + r);
        cairo_line_to(cr_, layout_.dryX - r, y);
        cairo_close_path(cr_);
        if (dry < 0.0f) {
            cairo_set_line_width(cr_, 1.5 * s_);
            cairo_stroke(cr_);
        } else {
            cairo_fill(cr_);
        }
    }

    void drawTimeAxis() {
        const Box& lane = layout_.lanes[1];
        const double step = niceStep(page_.spanMs / 10.0);
        const int decimals = step < 1.0 ? static_cast<int>(std::ceil(-std::log10(step))) : 0;
        colour(theme_.muted);
        for (double ms = 0.0; ms <= page_.spanMs + 1e-9; ms += step) {
            line(timeX(ms), lane.bottom, timeX(ms), lane.bottom + 4 * s_, 1.0);
            text(number(ms, decimals), timeX(ms), lane.bottom + 16 * s_, 11, Align::Centre);
        }
        text("ms", layout_.timeRight, lane.bottom + 30 * s_, 11, Align::Right);
        std::string marks = "thin lines: ticks (" + number(page_.samplesPerTick, 0) + " samples)";
        if (page_.ticksPerBeat > 0) marks += ", bright lines: beats";
        marks += "   \u25cf echo   \u25cb inverted echo   \u25c6 dry";
        text(marks, layout_.timeLeft, lane.bottom + 30 * s_, 11, Align::Left);
        // Beats numbered above the top lane, where they have room.
        if (page_.ticksPerBeat > 0) {
            const double beatMs =
                page_.samplesPerTick * 1000.0 / page_.sampleRate * page_.ticksPerBeat;
            const double beatPx = timeX(beatMs) - timeX(0.0);
            const int every = static_cast<int>(std::ceil(28.0 * s_ / beatPx));
            const Box& top = layout_.lanes[0];
            for (int b = every; b * beatMs <= page_.spanMs; b += every)
                text(std::to_string(b), timeX(b * beatMs), top.top - 4 * s_, 10, Align::Centre);
            text("beat", layout_.timeLeft, top.top - 4 * s_, 10, Align::Left);
        }
    }

    double spectrumX(double hz) const {
        const Box& b = layout_.spectrum;
        const double highest = page_.sampleRate / 2.0;
        const double lowest = lowestPlotHz(page_.sampleRate);
        return b.left + std::log(hz / lowest) / std::log(highest / lowest) * (b.right - b.left);
    }

    void drawSpectrum() {
        const Box& b = layout_.spectrum;
        double loudest = 0.0;
        for (int side = 0; side < 2; ++side)
            if (page_.hasResponse[static_cast<size_t>(side)])
                for (double db : page_.response[static_cast<size_t>(side)].highest)
                    loudest = std::max(loudest, db);
        const double top = std::max(6.0, std::ceil((loudest + 1.0) / 6.0) * 6.0);
        const auto y = [&](double db) {
            const double share =
                (std::clamp(db, page_.floorDb, top) - page_.floorDb) / (top - page_.floorDb);
            return b.bottom - share * (b.bottom - b.top);
        };
        colour(theme_.text);
        text(page_.wholeResponse ? "Wet response, whole tail (peaks and band of the comb)"
                                 : "Wet response of the first echo",
             b.left, b.top - 8 * s_, 13, Align::Left, true);

        colour(theme_.grid);
        const double lowest = lowestPlotHz(page_.sampleRate);
        for (double decade = std::pow(10.0, std::floor(std::log10(lowest)));
             decade <= page_.sampleRate / 2.0; decade *= 10.0)
            for (double m : {1.0, 2.0, 5.0}) {
                const double hz = decade * m;
                if (hz < lowest || hz > page_.sampleRate / 2.0) continue;
                colour(m == 1.0 ? theme_.beat : theme_.grid);
                line(spectrumX(hz), b.top, spectrumX(hz), b.bottom, 0.8);
                colour(theme_.muted);
                text(hertzText(hz), spectrumX(hz), b.bottom + 15 * s_, 11, Align::Centre);
            }
        colour(theme_.muted);
        text("Hz", b.right, b.bottom + 30 * s_, 11, Align::Right);
        const double step = niceStep((top - page_.floorDb) / 5.0);
        for (double db = std::ceil(page_.floorDb / step) * step; db <= top + 1e-9; db += step) {
            colour(theme_.grid);
            line(b.left, y(db), b.right, y(db), 0.8);
            colour(theme_.muted);
            text(number(db, 0), b.left - 8 * s_, y(db) + 4 * s_, 11, Align::Right);
        }
        text("dB", b.left - 8 * s_, b.top - 4 * s_, 11, Align::Right);
        line(b.left, b.top, b.left, b.bottom, 1.0);
        line(b.left, b.bottom, b.right, b.bottom, 1.0);

        cairo_save(cr_);
        cairo_rectangle(cr_, b.left, b.top - 2 * s_, b.right - b.left, b.bottom - b.top + 4 * s_);
        cairo_clip(cr_);
        const auto& f = page_.frequencies;
        for (int side = 0; side < 2; ++side) {
            if (!page_.hasResponse[static_cast<size_t>(side)]) continue;
            const Response& r = page_.response[static_cast<size_t>(side)];
            const Colour& ink = side == 0 ? theme_.left : theme_.right;
            if (page_.wholeResponse) {
                cairo_new_path(cr_);
                for (size_t i = 0; i < f.size(); ++i)
                    cairo_line_to(cr_, spectrumX(f[i]), y(r.highest[i]));
                for (size_t i = f.size(); i-- > 0;)
                    cairo_line_to(cr_, spectrumX(f[i]), y(r.lowest[i]));
                cairo_close_path(cr_);
                colour(ink, 0.22);
                cairo_fill(cr_);
            }
            const std::vector<double>& curve = page_.wholeResponse ? r.highest : r.level;
            cairo_new_path(cr_);
            for (size_t i = 0; i < f.size(); ++i) cairo_line_to(cr_, spectrumX(f[i]), y(curve[i]));
            colour(ink);
            // The right curve dashed over the left, so that where they agree both show.
            const double dash[] = {7.0 * s_, 5.0 * s_};
            if (side == 1) cairo_set_dash(cr_, dash, 2, 0);
            cairo_set_line_width(cr_, 2.0 * s_);
            cairo_stroke(cr_);
            cairo_set_dash(cr_, nullptr, 0, 0);
        }
        cairo_restore(cr_);

        // Legend, above the box where no curve runs.
        double x = b.right;
        for (int side = 1; side >= 0; --side) {
            const std::string label = side == 0 ? "left output" : "right output";
            colour(side == 0 ? theme_.left : theme_.right);
            const Box box = text(label, x, b.top - 8 * s_, 12, Align::Right, true);
            x = box.left - 16 * s_;
        }
        if (!page_.hasResponse[0] && !page_.hasResponse[1]) {
            colour(theme_.muted);
            text("no echo above the floor", (b.left + b.right) / 2, (b.top + b.bottom) / 2, 13,
                 Align::Centre);
        }
    }

    cairo_t* cr_;
    const Page& page_;
    const Theme& theme_;
    const Layout& layout_;
    const double s_;
    double topDb_ = 0.0;
};

// Cairo's writer. An exception must not cross cairo's C code: memory running out is cairo's
// own failure then.
cairo_status_t writeChunk(void* closure, const unsigned char* data, unsigned int length) {
    try {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    } catch (...) {
        return CAIRO_STATUS_NO_MEMORY;
    }
    return CAIRO_STATUS_SUCCESS;
}

void check(cairo_status_t status, const std::string& name) {
    if (status != CAIRO_STATUS_SUCCESS)
        throw PlotError("cannot draw '" + name + "': " + cairo_status_to_string(status));
}

}  // namespace

double niceStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= rough) return m * power;
    return 10.0 * power;
}

std::optional<PictureFormat> pictureFormatFor(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == "png") return PictureFormat::Png;
    if (ext == "svg") return PictureFormat::Svg;
    return std::nullopt;
}

Theme themeNamed(const std::string& name) {
    const auto rgb = [](int hex) {
        return Colour{((hex >> 16) & 0xff) / 255.0, ((hex >> 8) & 0xff) / 255.0,
                      (hex & 0xff) / 255.0};
    };
    // Left and right inks from a palette that stays apart for colour-blind eyes.
    if (name == "light")
        return {rgb(0xffffff), rgb(0x1d1f24), rgb(0x5c6370), rgb(0xe3e6ea),
                rgb(0xb9c0c9), rgb(0x0072b2), rgb(0xd55e00), rgb(0x7a7f87)};
    return {rgb(0x15171c), rgb(0xe8eaed), rgb(0x9aa0a8), rgb(0x2a2e36),
            rgb(0x4a505c), rgb(0x56b4e9), rgb(0xe69f00), rgb(0xb8bcc4)};
}

std::string hexColour(const Colour& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<int>(std::lround(c.r * 255)),
                  static_cast<int>(std::lround(c.g * 255)),
                  static_cast<int>(std::lround(c.b * 255)));
    return text;
}

Layout layoutFor(int width, int height) {
    Layout l;
    l.width = width;
    l.height = height;
    l.scale = std::clamp(std::min(width / 1200.0, height / 800.0), 0.6, 3.0);
    const double s = l.scale;
    l.dryX = 84 * s;
    l.timeLeft = std::round(l.dryX + 26 * s);
    l.timeRight = std::round(width - 24 * s);
    const double top = 118 * s, bottom = height - 40 * s;
    const double content = bottom - top;
    const double laneGap = 28 * s, axis = 44 * s, spectrumTitle = 30 * s;
    const double laneHeight = std::round((content * 0.6 - laneGap - axis) / 2);
    l.lanes[0] = {l.timeLeft, top, l.timeRight, top + laneHeight};
    l.lanes[1] = {l.timeLeft, top + laneHeight + laneGap, l.timeRight,
                  top + 2 * laneHeight + laneGap};
    l.spectrum = {l.timeLeft, l.lanes[1].bottom + axis + spectrumTitle, l.timeRight, bottom};
    return l;
}

double laneTopDb(const Page& page) {
    double loudest = -1e9;
    for (const Echo& e : page.echoes) loudest = std::max(loudest, decibels(std::fabs(e.value)));
    for (float dry : page.dry)
        if (dry != 0.0f) loudest = std::max(loudest, decibels(std::fabs(dry)));
    return std::max(6.0, std::ceil((loudest + 1.0) / 6.0) * 6.0);
}

std::string drawPicture(const Page& page, const Theme& theme, const Layout& layout,
                        PictureFormat format, const std::string& name) {
    // Cairo and fontconfig keep their fonts for the next picture; the tool draws one, so all
    // goes back once the surface is gone, and a leak checker sees nothing left over.
    struct StaticData {
        ~StaticData() {
            cairo_debug_reset_static_data();
            FcFini();
        }
    } releaseLast;
    std::string bytes;
    cairo_surface_t* surface =
        format == PictureFormat::Svg
            ? cairo_svg_surface_create_for_stream(writeChunk, &bytes, layout.width, layout.height)
            : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, layout.width, layout.height);
    const std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> ownSurface(
        surface, cairo_surface_destroy);
    check(cairo_surface_status(surface), name);
    cairo_t* cr = cairo_create(surface);
    const std::unique_ptr<cairo_t, void (*)(cairo_t*)> ownContext(cr, cairo_destroy);
    Painter(cr, page, theme, layout).draw();
    check(cairo_status(cr), name);
    if (format == PictureFormat::Png)
        check(cairo_surface_write_to_png_stream(surface, writeChunk, &bytes), name);
    cairo_surface_finish(surface);
    check(cairo_surface_status(surface), name);
    return bytes;
}

}  // namespace plot
