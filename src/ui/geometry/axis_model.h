// The scale of one axis without any drawing: the range and its limits, linear, logarithmic and
// musical scales, ticks with their labels, value <-> pixel conversions and the range dragged
// with the mouse. The axis widget draws it and forwards the mouse; the drawing of the whole
// phonetogram area takes every coordinate from it.
#pragma once

#include "base/errors.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gravon {

struct EAxisError : EGravonError {
    using EGravonError::EGravonError;
};

// Side of the axis: vertical axes grow upward, horizontal ones to the right.
enum class tposition { posleft, posright, posover, posunder };

// What a press at some place of the axis would drag.
enum class taxisdrag { none, low, high, mid };

// Size of a text in pixels.
struct ttextsize {
    int width = 0;
    int height = 0;
};
// Measures a text in the axis' font.
using ttextmeasure = std::function<ttextsize(const std::string&)>;
// A rough measure for use without a font: 6 pixels per character, 13 high.
ttextsize approximate_text_size(const std::string& s);

class TAxisModel {
  public:
    TAxisModel();

    // ---- Range ----
    double LoValue() const;
    double HiValue() const;
    void setLoValue(double v);
    void setHiValue(double v);
    // Both ends; OnScaleChanged fires once if either changed.
    void set_hilovalues(double hi, double lo);
    double MinLoValue() const { return fminlo; }
    double MaxLoValue() const { return fmaxlo; }
    double MinHiValue() const { return fminhi; }
    double MaxHiValue() const { return fmaxhi; }
    double MinValueDifference() const { return fmindiff; }
    double MaxValueDifference() const { return fmaxdiff; }
    void setMinLoValue(double v);
    void setMaxLoValue(double v);
    void setMinHiValue(double v);
    void setMaxHiValue(double v);
    void setMinValueDifference(double v);
    void setMaxValueDifference(double v);

    // ---- Scale ----
    tposition Position() const { return fposition; }
    void setPosition(tposition p);
    bool vertical() const {
        return fposition == tposition::posleft || fposition == tposition::posright;
    }
    bool Logarithmic() const { return flogarithmic; }
    // Raises EAxisError when turning it on with an end <= 0.
    void setLogarithmic(bool b);
    bool MusicScale() const { return fmusicscale; }
    void setMusicScale(bool b);
    bool Reverse() const { return freverse; }
    void setReverse(bool b);
    bool IsInteger() const { return finteger; }
    void setIsInteger(bool b);
    std::int32_t TickMarkSize() const { return fticksize; }
    void setTickMarkSize(std::int32_t v);
    std::int32_t TickSpaceAim() const { return ftickspaceaim; }
    void setTickSpaceAim(std::int32_t v);
    const std::string& AxisText() const { return faxistext; }
    void setAxisText(const std::string& s);
    bool AllowLoScroll = false;
    bool AllowHiScroll = false;
    bool AllowMidScroll = false;
    bool AllowDoubleClick = false;
    bool AllowLogarithmicChange = false;
    bool Autosize = false;
    bool ShowTickmarks = false;

    // ---- Marker ----
    bool MarkerVisible = false;
    double MarkerValue() const { return fmarkervalue; }
    void setMarkerValue(double v);
    std::int32_t MarkerPixel() const { return value_to_pixel(fmarkervalue); }

    // ---- Size and text ----
    std::int32_t Width() const { return fwidth; }
    std::int32_t Height() const { return fheight; }
    void setSize(std::int32_t width, std::int32_t height);
    // Pixel length along the axis.
    std::int32_t length() const { return vertical() ? fheight : fwidth; }
    // Measures labels for their thinning; the widget gives its font's measure.
    void setTextMeasure(ttextmeasure m);
    ttextsize measure(const std::string& s) const { return fmeasure(s); }
    // The width (vertical) or height (horizontal) Autosize gives the axis.
    std::int32_t autosize_extent() const;

    // ---- Conversions (never raise) ----
    double value_to_notclipped_position(double v) const;
    double value_to_position(double v) const;
    std::int32_t value_to_notclippedpixel(double v) const;
    std::int32_t value_to_pixel(double v) const;
    double pixel_to_value(std::int32_t p) const;

    // ---- Ticks ----
    std::int32_t nTickMarks() const;
    std::string TickMarkText(std::int32_t i) const;
    std::int32_t TickMarkPosition(std::int32_t i) const;
    bool TickIsMajor(std::int32_t i) const;
    double TickMarkValue(std::int32_t i) const;
    // Builds the ticks afresh (as each paint does).
    void rebuild_ticks() const;

    // ---- Mouse (coordinates in the control) ----
    taxisdrag drag_mode_at(std::int32_t x, std::int32_t y) const;
    // Left press; returns whether a drag started.
    bool mouse_down(std::int32_t x, std::int32_t y);
    // Move with the left button held; returns whether the range changed.
    bool mouse_move(std::int32_t x, std::int32_t y);
    // Release; fires OnScaleChanged when the pointer moved during the drag.
    void mouse_up(std::int32_t x, std::int32_t y);
    bool dragging() const { return fdrag != taxisdrag::none; }

    // ---- Events ----
    std::function<void()> OnScaleChanging;
    std::function<void()> OnScaleChanged;
    // Anything that changes the look: the widget repaints.
    std::function<void()> onchange;
    // Fires OnScaleChanged unless a scale event runs (the limits dialog closing).
    void scale_changed();

  private:
    struct ttick {
        double value = 0;
        std::int32_t pixel = 0;
        std::string text;
        bool major = false;
    };
    double limited_lo(double stored) const;
    double limited_hi(double storedlo, double storedhi) const;
    void store_end(bool hi, double v);
    void after_range_write(double oldlo, double oldhi);
    void changed() const;
    void build_ticks() const;
    void thin_labels() const;
    double fraction(double v) const; // before mirroring; NaN when undefined
    std::int32_t drag_coordinate(std::int32_t x, std::int32_t y) const;
    void check_tick(std::int32_t i) const;

    double flo = 0, fhi = 1;
    double fminlo = -1e300, fmaxlo = 1e300, fminhi = -1e300, fmaxhi = 1e300;
    double fmindiff = -1e300, fmaxdiff = 1e300;
    tposition fposition = tposition::posleft;
    bool flogarithmic = false, fmusicscale = false, freverse = false, finteger = false;
    std::int32_t fticksize = 5, ftickspaceaim = 40;
    std::string faxistext;
    double fmarkervalue = 0;
    std::int32_t fwidth = 200, fheight = 200;
    ttextmeasure fmeasure;
    mutable std::vector<ttick> fticks;
    mutable bool fstale = true;
    mutable std::vector<std::uint8_t> foccupied;
    bool fscaleevent = false;
    // Drag state: pressed pixel (distance from the low end), mode, range at the press.
    std::int32_t fpressq = 0;
    taxisdrag fdrag = taxisdrag::none;
    double fpresslo = 0, fpresshi = 1;
    bool fmoved = false;
};

} // namespace gravon
