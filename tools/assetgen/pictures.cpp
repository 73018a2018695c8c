#include "tools/assetgen/pictures.h"

#include "tools/assetgen/noise.h"
#include "tools/assetgen/palette.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>

namespace assetgen {

namespace {

using data::PictureAsset;
using data::Pixel;
using Picture = std::vector<Pixel>;
namespace assets = data::assets;
using namespace palette;

constexpr float pi = 3.14159265358979f;

float fraction(float value) { return value - std::floor(value); }

// Distance from the centre of a size × size sprite, 1 at the middle of its edges.
float spriteRadius(int x, int y, int size)
{
    const float centre = float(size - 1) / 2;
    return std::hypot(float(x) - centre, float(y) - centre) / (float(size) / 2);
}

// A round glow for the additive blit: halo fading to exact black at the border,
// with a hot core.
Picture glowSprite(int size, Colour halo, Colour core, float ring = 0)
{
    Canvas canvas(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float d = spriteRadius(x, y, size);
            const float falloff = std::max(0.0f, 1 - d);
            Colour colour = halo * std::pow(falloff, 2.0f) + core * std::pow(falloff, 7.0f);
            if (ring > 0) colour = colour + halo * (0.45f * std::max(0.0f, 1 - std::abs(d - ring) * 9));
            canvas.at(x, y) = colour;
        }
    }
    canvas.clearBorder();
    return canvas.pixels();
}

// Pure single-channel spark: only that channel is ever non-zero.
Picture spark(Colour channel) { return glowSprite(16, channel, channel * 0.9f); }

void fillVertical(Canvas& canvas, const Gradient& gradient, int top, int bottom)
{
    for (int y = 0; y < canvas.height(); ++y) {
        const Colour colour = gradient.at(float(y - top) / float(bottom - top));
        for (int x = 0; x < canvas.width(); ++x) canvas.at(x, y) = colour;
    }
}

void addStars(Canvas& canvas, int count, int maxY, std::uint32_t seed)
{
    for (int i = 0; i < count; ++i) {
        const int x = int(latticeValue(i, 0, seed) * float(canvas.width() - 1));
        const int y = int(latticeValue(i, 1, seed) * float(maxY));
        const float fade = 1 - float(y) / float(maxY + 1);
        const float brightness = (0.25f + 0.75f * std::pow(latticeValue(i, 2, seed), 3.0f)) * fade;
        canvas.at(x, y) = canvas.at(x, y) + pale * brightness;
        if (brightness > 0.6f) {
            for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                const int nx = x + dx, ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < canvas.width() && ny < canvas.height()) {
                    canvas.at(nx, ny) = canvas.at(nx, ny) + mist * (brightness * 0.3f);
                }
            }
        }
    }
}

// A silhouette whose top edge is heightAt(x), filled down to row `bottom`,
// with a lit rim along the crest (the sun is low, so crests catch the light).
void paintRidge(Canvas& canvas, const std::function<float(int)>& heightAt, int bottom, Colour body,
                Colour rim, float rimDepth, const std::function<float(int)>& rimStrength)
{
    for (int x = 0; x < canvas.width(); ++x) {
        const float top = heightAt(x);
        const float strength = rimStrength(x);
        for (int y = std::max(0, int(std::floor(top))); y <= bottom && y < canvas.height(); ++y) {
            const float coverage = clamp01(float(y) + 1 - top);
            const float depth = float(y) - top;
            const Colour lit = mix(body, rim, strength * clamp01(1 - depth / rimDepth));
            canvas.at(x, y) = mix(canvas.at(x, y), lit, coverage);
        }
    }
}

// Lettering that glows on black, for pictures added over others.
Picture glowLettering(const Mask& letters, Colour halo, const Gradient& body)
{
    Canvas canvas(letters.width, letters.height);
    canvas.add(blur(letters, 1), 0, 0, halo * 0.85f);
    int top = letters.height, bottom = 0;
    for (int y = 0; y < letters.height; ++y) {
        for (int x = 0; x < letters.width; ++x) {
            if (letters.at(x, y) > 0) top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    const float span = float(std::max(1, bottom - top));
    canvas.paintShaded(letters, 0, 0, [&](int, int y) { return body.at(float(y - top) / span); });
    canvas.clearBorder();
    return canvas.pixels();
}

Picture word(const PictureAsset& picture, const Lettering& lettering, const char* text)
{
    const Mask letters = lettering.fit(Face::bold, text, picture.width, picture.height, 2);
    return glowLettering(letters, ember, goldLetters());
}

Picture creditTitle(const PictureAsset& picture, const Lettering& lettering, const char* text)
{
    const Mask letters = lettering.fit(Face::bold, text, picture.width, picture.height, 3);
    return glowLettering(letters, rose, goldLetters());
}

Picture creditName(const PictureAsset& picture, const Lettering& lettering, const char* text)
{
    const Mask letters = lettering.fit(Face::bold, text, picture.width, picture.height, 2, 3);
    return glowLettering(letters, violet, Gradient{{pale, mist, mix(mist, violet, 0.5f)}});
}

// Gold lettering with a dark outline and a soft shadow, painted at (x, y).
Mask paintGoldLettering(Canvas& canvas, const Mask& letters, int x, int y, int outline, bool shadow)
{
    const Mask edge = dilate(letters, outline);
    if (shadow) canvas.paint(blur(dilate(letters, outline + 1), 2), x + 2, y + 3, night, 0.8f);
    canvas.paint(edge, x, y, deepViolet);
    const float span = float(letters.height);
    // A bevel lit from above: upper edges of each stroke catch the light, lower edges turn rose.
    canvas.paintShaded(letters, x, y, [&](int cx, int cy) {
        const int mx = cx - x, my = cy - y;
        const float upper = clamp01(letters.at(mx, my) - letters.at(mx, my - 2));
        const float lower = clamp01(letters.at(mx, my) - letters.at(mx, my + 2));
        const Colour body = goldLetters().at(float(my) / span);
        return mix(mix(body, pale, 0.7f * upper), rose, 0.55f * lower);
    });
    return edge;
}

// The low sun: a disc with a wide glow and a few dark bands across its lower half.
void addSun(Canvas& canvas, float cx, float cy, float radius, bool banded)
{
    canvas.addGlow(cx, cy, radius * 5, ember * 0.55f, 2.0f);
    canvas.addGlow(cx, cy, radius * 2.2f, gold * 0.5f, 1.5f);
    for (int y = int(cy - radius - 1); y <= int(cy + radius + 1); ++y) {
        for (int x = int(cx - radius - 1); x <= int(cx + radius + 1); ++x) {
            if (x < 0 || y < 0 || x >= canvas.width() || y >= canvas.height()) continue;
            float coverage = clamp01(radius + 0.5f - std::hypot(float(x) - cx, float(y) - cy));
            const float below = (float(y) - cy) / radius;
            if (banded && below > 0.1f && fraction(below * 4.0f) > 0.62f + below * 0.2f) coverage *= 0.15f;
            canvas.at(x, y) = mix(canvas.at(x, y), mix(pale, gold, clamp01(below + 0.6f)), coverage);
        }
    }
}

Picture groupLogo(const Lettering& lettering)
{
    Canvas canvas(320, 200);
    fillVertical(canvas, Gradient{{night, night, indigo, deepViolet}}, 0, 200);
    addStars(canvas, 90, 150, 11);
    // A thin line of light on the horizon under the letters.
    for (int x = 0; x < 320; ++x) {
        const float along = 1 - std::abs(float(x) - 160) / 160;
        canvas.at(x, 150) = canvas.at(x, 150) + gold * (0.9f * along * along);
        for (int d = 1; d < 14; ++d) {
            canvas.at(x, 150 + d) = canvas.at(x, 150 + d) + ember * (0.35f * along * along / float(d));
            canvas.at(x, 150 - d) = canvas.at(x, 150 - d) + rose * (0.2f * along * along / float(d));
        }
    }
    const Mask letters = padded(lettering.render(Face::bold, "ZEV", 96, 6), 24);
    canvas.add(blur(dilate(letters, 2), 6), 160 - letters.width / 2, 12, rose * 0.45f);
    paintGoldLettering(canvas, letters, 160 - letters.width / 2, 12, 2, true);
    const Mask caption = lettering.render(Face::book, "PRESENTS", 11, 5);
    canvas.paint(caption, 160 - caption.width / 2, 166, mist);
    return canvas.pixels();
}

void paintHorizonGrid(Canvas& canvas, int horizon, float centreX)
{
    for (int y = horizon + 1; y < canvas.height(); ++y) {
        const float depth = float(y - horizon);
        // Rows of the floor grid at equal steps of distance.
        const float across = std::abs(fraction(240.0f / depth + 0.25f) - 0.5f);
        const float rowLine = clamp01(1 - across * depth * 0.9f);
        for (int x = 0; x < canvas.width(); ++x) {
            const float along = (float(x) - centreX) / depth;
            const float columnLine = clamp01(1 - std::abs(fraction(along * 1.6f) - 0.5f) * 2 * depth * 0.35f);
            const float light = std::max(rowLine, columnLine) * clamp01(depth / 30);
            canvas.at(x, y) = canvas.at(x, y) + rose * (0.35f * light);
        }
    }
}

// Dusk over a plain: the sky down to the horizon, the sun sitting on it, and
// a floor grid in rose fading into the dark. Shared by the demo logo's
// background, the end picture and the program's own picture and icon, so the
// show opens and closes on one view.
Canvas duskHorizon(int width, int height, int horizon, float sunRadius, int starRows, std::uint32_t starSeed)
{
    Canvas canvas(width, height);
    fillVertical(canvas, duskSky(), 0, horizon);
    const float groundDepth = float(height - horizon);
    for (int y = horizon; y < height; ++y) {
        for (int x = 0; x < width; ++x) canvas.at(x, y) = mix(deepViolet, night, float(y - horizon) / groundDepth);
    }
    addStars(canvas, starRows, starRows, starSeed);
    addSun(canvas, float(width / 2), float(horizon), sunRadius, true);
    // Below the horizon the sun is only a dim reflection.
    for (int y = horizon + 1; y < height; ++y) {
        for (int x = 0; x < width; ++x) canvas.at(x, y) = mix(canvas.at(x, y), deepViolet, 0.6f);
    }
    paintHorizonGrid(canvas, horizon, float(width / 2));
    return canvas;
}

Picture demoLogoBackground() { return duskHorizon(320, 200, 138, 34, 70, 23).pixels(); }

Picture demoLogo(const Lettering& lettering)
{
    const auto& size = assets::demoLogo;
    // The scene draws the logo at x = 32; centring the art on column 128 of the
    // picture puts it in the middle of the screen, over the sun of the background.
    constexpr int centre = 128, lettersWidth = 250, ruleHalf = 100;
    // Backing: the dark of the picture behind it, so edges blend into dusk, not magenta.
    Canvas canvas(size.width, size.height, deepViolet);
    Mask shape(size.width, size.height);
    const Mask letters = lettering.fit(Face::bold, "SOLVANE", lettersWidth, 84, 5, 2);
    const Mask edge = paintGoldLettering(canvas, letters, centre - lettersWidth / 2, 4, 3, false);
    const Mask tagline = padded(lettering.render(Face::bold, "A DEMO BY ZEV", 13, 4), 2);
    const int taglineX = centre - tagline.width / 2, taglineY = 98;
    const Mask taglineEdge = dilate(tagline, 2);
    canvas.paint(taglineEdge, taglineX, taglineY, deepViolet);
    canvas.paint(tagline, taglineX, taglineY, mix(mist, pale, 0.4f));
    // A rule between the two lines, lit in the middle.
    constexpr int ruleY = 90;
    Mask rule(2 * ruleHalf, 3);
    for (int x = 0; x < rule.width; ++x) rule(x, 1) = 1, rule(x, 0) = rule(x, 2) = 0.6f;
    canvas.paint(rule, centre - ruleHalf, ruleY, deepViolet);
    for (int x = -ruleHalf; x < ruleHalf; ++x) {
        canvas.at(centre + x, ruleY + 1) = mix(gold, violet, std::abs(float(x)) / float(ruleHalf));
    }
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            shape(x, y) = std::max({edge.at(x - (centre - lettersWidth / 2), y - 4),
                                    taglineEdge.at(x - taglineX, y - taglineY),
                                    rule.at(x - (centre - ruleHalf), y - ruleY)});
        }
    }
    return canvas.keyedPixels(shape);
}

Picture emblem()
{
    const auto& size = assets::emblem;
    Canvas canvas(size.width, size.height);
    const float cx = float(size.width - 1) / 2, cy = float(size.height - 1) / 2;
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float dx = float(x) - cx, dy = float(y) - cy;
            const float r = std::hypot(dx, dy);
            const float angle = std::atan2(dy, dx);
            Colour colour{};
            // Core disc, hot in the middle.
            const float disc = clamp01(36.5f - r);
            colour = colour + mix(pale, ember, r / 36) * disc;
            // A dark eclipse crescent eating the disc from the lower left.
            const float crescent = clamp01(30.5f - std::hypot(dx + 9, dy - 9));
            colour = colour * (1 - 0.82f * crescent * disc);
            // Rays: 16 tapering spikes, every other one long.
            const float sector = fraction(angle / (2 * pi) * 16 + 0.5f) - 0.5f;
            const int rayIndex = int(std::floor(angle / (2 * pi) * 16 + 0.5f + 16)) % 2;
            const float reach = rayIndex == 0 ? 62 : 52;
            const float taper = 1 - (r - 42) / (reach - 42);
            const float width = 0.32f * taper;
            if (r > 41 && r < reach) {
                colour = colour + mix(gold, rose, (r - 42) / 20) * clamp01((width - std::abs(sector)) * 12) *
                                      clamp01(r - 41) * clamp01(reach - r);
            }
            // Outer ring and a fine inner ring.
            colour = colour + rose * (0.8f * clamp01(1.2f - std::abs(r - 67)));
            colour = colour + gold * (0.6f * clamp01(1 - std::abs(r - 39.5f)));
            // A soft halo that reaches zero before the picture's edge.
            colour = colour + violet * (0.35f * std::pow(std::max(0.0f, 1 - r / 70), 1.5f));
            canvas.at(x, y) = colour;
        }
    }
    canvas.clearBorder();
    return canvas.pixels();
}

// The lake band's sprites: a small boat, and two swell crests.
Picture boat()
{
    const auto& size = assets::panoramaSprite1;
    Canvas canvas(size.width, size.height, night);
    Mask shape(size.width, size.height);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float u = (float(x) - 22.5f) / 22.5f;
            // Hull: rows 4..7, narrowing towards the keel; a cabin on rows 1..3.
            const float hullHalf = 1 - float(std::max(0, y - 4)) * 0.12f;
            const bool hull = y >= 4 && std::abs(u) < hullHalf;
            const bool cabin = y >= 1 && y < 4 && u > -0.35f && u < 0.2f;
            const bool mast = x == 27 && y < 1;
            if (hull || cabin || mast) shape(x, y) = 1;
            if (hull) canvas.at(x, y) = y == 4 ? gold : mix(deepViolet, night, float(y - 4) / 4);
            if (cabin) canvas.at(x, y) = y == 1 ? gold : (x % 4 == 1 && y == 2 ? ember : violet);
            if (mast) canvas.at(x, y) = gold;
        }
    }
    return canvas.keyedPixels(shape);
}

// The lake of the first panorama at a frame row of its band (128..144): the
// sky's rose mirrored at the far shore, darkening towards the near one.
Colour lakeColour(int row) { return mix(mix(rose, violet, 0.5f), indigo, float(row - 128) / 16); }

// A row of swell for the lake band (drawn at frame rows 137..144): narrow
// crests with a line of foam, the water under them in the lake's own colours.
Picture swell(const PictureAsset& size, float wavelength, float phase)
{
    constexpr int frameRow = 137;
    Canvas canvas(size.width, size.height, deepViolet);
    Mask shape(size.width, size.height);
    for (int x = 0; x < size.width; ++x) {
        const float envelope = std::sin(pi * (float(x) + 0.5f) / float(size.width));
        const float wave = std::pow(0.5f + 0.5f * std::cos(2 * pi * float(x) / wavelength + phase), 2.0f);
        const float crest = 7.2f - envelope * (1 + 3 * wave);
        for (int y = 0; y < size.height; ++y) {
            const float depth = float(y) + 1 - crest;
            if (depth <= 0.5f) continue;
            shape(x, y) = 1;
            const Colour water = lakeColour(frameRow + y) + mist * (0.2f * wave * envelope);
            const Colour foam = mix(mix(rose, gold, 0.5f), pale, wave * envelope);
            canvas.at(x, y) = mix(water, foam, clamp01(1.6f - depth));
        }
    }
    return canvas.keyedPixels(shape);
}

float ridge(int x, float base, float amplitude, float scale, std::uint32_t seed)
{
    return base - amplitude * (fractalNoise(float(x) / scale, 0.5f, 5, seed) - 0.5f) * 2;
}

// The panorama of the third scene. Rows 54..118 and 128..144 scroll at half
// speed (only columns 0..609 are ever seen there), the rest at full speed;
// each band's scenery stays inside it so no seam shows when they slide apart.
Picture panorama1()
{
    const auto& size = assets::panorama1;
    Canvas canvas(size.width, size.height);
    const float sunX = 300, sunY = 101;
    fillVertical(canvas, duskSky(), -30, 118);

    // Near sky, rows 0..53: stars and streaks of cloud lit from below.
    addStars(canvas, 160, 40, 31);
    for (int y = 0; y < 54; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float n = fractalNoise(float(x) / 90, float(y) / 9, 4, 37);
            const float cloud = smoothstep(0.5f, 0.75f, n) * smoothstep(53, 38, float(y)) * smoothstep(2, 14, float(y));
            const Colour lit = mix(violet, rose, float(y) / 53);
            canvas.at(x, y) = mix(canvas.at(x, y), lit, cloud * 0.85f);
        }
    }

    // Far band, rows 54..118: the sun setting behind two ranges of mountains.
    Canvas far(size.width, size.height);
    for (int y = 54; y <= 118; ++y) {
        for (int x = 0; x < size.width; ++x) far.at(x, y) = canvas.at(x, y);
    }
    far.addGlow(sunX, sunY, 60, ember * 0.5f, 2.0f);
    addSun(far, sunX, sunY, 13, false);
    const auto towardSun = [&](int x) { return 0.35f + 0.65f * clamp01(1 - std::abs(float(x) - sunX) / 260); };
    paintRidge(far, [](int x) { return ridge(x, 92, 20, 70, 41); }, 118, mix(violet, rose, 0.35f), gold, 2.5f, towardSun);
    paintRidge(far, [](int x) { return ridge(x, 106, 11, 45, 43); }, 118, deepViolet, ember, 2.0f, towardSun);
    for (int y = 54; y <= 118; ++y) {
        const float fadeIn = smoothstep(54, 64, float(y));
        for (int x = 0; x < size.width; ++x) canvas.at(x, y) = mix(canvas.at(x, y), far.at(x, y), fadeIn);
    }

    // Near band, rows 119..127: a bank of mist drifting past.
    for (int y = 119; y <= 127; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float n = fractalNoise(float(x) / 40, float(y) / 3, 4, 53);
            const float middle = 1 - std::abs(float(y) - 123) / 5;
            canvas.at(x, y) = mix(deepViolet, mix(mist, rose, 0.3f), (0.25f + 0.6f * n) * middle);
        }
    }

    // Far band, rows 128..144: the lake, mirroring the sky, with the sun's path on it.
    for (int y = 128; y <= 144; ++y) {
        const float t = float(y - 128) / 16;
        for (int x = 0; x < size.width; ++x) {
            Colour water = lakeColour(y);
            const float ripple = fractalNoise(float(x) / 25, float(y) * 0.9f, 3, 59);
            water = water + mist * (0.12f * smoothstep(0.55f, 0.8f, ripple));
            const float path = std::max(0.0f, 1 - std::abs(float(x) - sunX) / (10 + 14 * t));
            const float glint = smoothstep(0.45f, 0.7f, valueNoise(float(x) / 4, float(y) * 1.7f, 61));
            canvas.at(x, y) = water + gold * (path * glint * (1 - 0.5f * t));
        }
    }

    // Near band, rows 145..199: the dark shore, back-lit at its edge, with grass.
    // Above the shore the water goes on in one even colour, which shows no seam
    // however the bands slide.
    for (int y = 145; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) canvas.at(x, y) = indigo;
    }
    paintRidge(canvas, [](int x) { return ridge(x, 153, 5, 35, 67); }, 199, night, ember, 1.6f,
               [](int) { return 0.8f; });
    for (int blade = 0; blade < 260; ++blade) {
        const float x0 = latticeValue(blade, 0, 71) * float(size.width - 4) + 2;
        const float height = 4 + 9 * latticeValue(blade, 1, 71);
        const float lean = (latticeValue(blade, 2, 71) - 0.5f) * 5;
        const float base = ridge(int(x0), 153, 5, 35, 67) + 2;
        for (int step = 0; step < int(height); ++step) {
            const float t = float(step) / height;
            const int x = int(x0 + lean * t * t);
            const int y = int(base - float(step));
            if (y < 146 || x < 0 || x >= size.width) continue;
            canvas.at(x, y) = mix(night, mix(ember, gold, t), t * 0.8f);
        }
    }
    // Boulders on the shore, their tops rimmed by the sun behind them.
    for (int rock = 0; rock < 16; ++rock) {
        const float cx = latticeValue(rock, 0, 79) * float(size.width);
        const float radius = 7 + 14 * latticeValue(rock, 1, 79);
        const float cy = 160 + 30 * latticeValue(rock, 2, 79);
        for (int y = std::max(146, int(cy - radius * 0.7f) - 1); y < size.height; ++y) {
            for (int x = std::max(0, int(cx - radius) - 1); x <= std::min(size.width - 1, int(cx + radius) + 1); ++x) {
                const float dx = (float(x) - cx) / radius, dy = (float(y) - cy) / (radius * 0.7f);
                const float d = std::sqrt(dx * dx + dy * dy);
                const float coverage = clamp01((1 - d) * radius * 0.7f);
                if (coverage <= 0) continue;
                const float rim = clamp01(1 - (1 - d) * radius * 0.5f) * clamp01(-dy * 1.5f);
                canvas.at(x, y) = mix(canvas.at(x, y), mix(mix(deepViolet, night, 0.4f), mix(ember, gold, 0.3f), rim * 0.9f), coverage);
            }
        }
    }
    for (int y = 160; y < 200; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float n = fractalNoise(float(x) / 18, float(y) / 12, 3, 73);
            canvas.at(x, y) = mix(canvas.at(x, y), deepViolet, 0.45f * n * smoothstep(160, 185, float(y)));
        }
    }
    return canvas.pixels();
}

// The second panorama: dunes under the afterglow of the set sun.
Picture panorama2()
{
    const auto& size = assets::panorama2;
    Canvas canvas(size.width, size.height);
    fillVertical(canvas, Gradient{{night, night, indigo, violet, rose}}, 0, 150);
    addStars(canvas, 260, 100, 79);
    const float glowX = 450;
    // The afterglow hugs the horizon: wide, and low.
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float across = (float(x) - glowX) / 300, above = std::max(0.0f, 150 - float(y));
            const float glow = std::exp(-across * across);
            canvas.at(x, y) = canvas.at(x, y) + ember * (0.5f * glow * std::exp(-above / 32)) +
                              gold * (0.35f * glow * glow * std::exp(-above / 12));
        }
    }
    const auto litFrom = [glowX](float reach) {
        return [glowX, reach](int x) { return clamp01(1 - std::abs(float(x) - glowX) / reach); };
    };
    const auto dune = [](float base, float amplitude, float wavelength, std::uint32_t seed) {
        return [=](int x) {
            const float wave = std::sin(2 * pi * float(x) / wavelength + float(seed));
            return base - amplitude * (0.6f * wave + 0.8f * (fractalNoise(float(x) / 60, 0.5f, 3, seed) - 0.5f));
        };
    };
    paintRidge(canvas, dune(128, 14, 310, 83), 199, mix(violet, deepViolet, 0.4f), rose, 3, litFrom(380));
    paintRidge(canvas, dune(150, 16, 230, 89), 199, deepViolet, ember, 3, litFrom(300));
    paintRidge(canvas, dune(176, 12, 170, 97), 199, night, gold, 2.5f, litFrom(240));
    for (int y = 150; y < 200; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float sand = fractalNoise(float(x) / 6, float(y) / 2, 2, 101);
            canvas.at(x, y) = canvas.at(x, y) * (0.85f + 0.3f * sand);
        }
    }
    return canvas.pixels();
}

Picture quote(const Lettering& lettering)
{
    const auto& size = assets::quote;
    const Mask first = lettering.fit(Face::oblique, "Every sunset is", size.width, 14, 1);
    const Mask second = lettering.fit(Face::oblique, "a promise kept.", size.width, 14, 1);
    Mask both(size.width, size.height);
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < size.width; ++x) {
            both(x, y) = first.at(x + 6, y);
            both(x, y + 14) = second.at(x - 6, y);
        }
    }
    return glowLettering(both, violet, Gradient{{pale, gold, pale}});
}

// Tiles in both directions: every term is periodic over 256 pixels.
Picture windowTexture()
{
    const auto& size = assets::windowTexture;
    Canvas canvas(size.width, size.height);
    const Gradient cycle{{indigo, violet, rose, ember, gold, pale, gold, ember, rose, violet, indigo}};
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float u = 2 * pi * float(x) / 256, v = 2 * pi * float(y) / 256;
            float value = 0.5f + 0.22f * std::sin(3 * u + 2 * std::sin(2 * v)) +
                          0.18f * std::sin(4 * v + 1.5f * std::cos(u)) +
                          0.10f * std::sin(5 * u - 3 * v);
            value += 0.35f * (fractalNoise(float(x) / 32, float(y) / 32, 4, 107, 8, 8) - 0.5f);
            const float veins = std::pow(std::abs(std::sin(6 * u + 2 * std::sin(3 * v))), 18.0f);
            canvas.at(x, y) = cycle.at(fraction(value * 1.4f)) * (0.75f + 0.25f * value) + pale * (0.25f * veins);
        }
    }
    return canvas.pixels();
}

// Signed distance to the opening of an arched window (negative inside).
float archDistance(float x, float y, float left, float right, float top, float bottom)
{
    const float halfWidth = (right - left) / 2, centre = (left + right) / 2;
    const float springY = top + halfWidth;
    if (y < springY) return std::hypot(x - centre, y - springY) - halfWidth;
    return std::max({left - x, x - right, y - bottom});
}

// The wall of the fourth scene: exact white where the window opens.
Picture windowMask()
{
    const auto& size = assets::windowMask;
    Canvas canvas(size.width, size.height);
    struct Arch {
        float left, right, top, bottom;
    };
    const Arch arches[] = {{22, 64, 26, 176}, {92, 134, 26, 176}, {164, 206, 26, 176}, {236, 314, 10, 190}};
    std::vector<float> opening(size.pixelCount(), 0.0f);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            float nearest = 1e9f;
            for (const Arch& arch : arches) {
                nearest = std::min(nearest, archDistance(float(x) + 0.5f, float(y) + 0.5f, arch.left, arch.right,
                                                         arch.top, arch.bottom));
            }
            // The big window is split by two transoms; they stay part of the wall.
            const bool transom = x >= 236 && (std::abs(y - 80) <= 1 || std::abs(y - 140) <= 1);
            if (transom) nearest = std::max(nearest, 0.5f);
            // Stone blocks with mortar joints, darker low down, warmed by the light at the openings.
            const int course = y / 12;
            const int blockX = (x + (course % 2) * 17) / 34;
            const bool joint = y % 12 == 0 || (x + (course % 2) * 17) % 34 == 0;
            const float stone = 0.75f + 0.25f * fractalNoise(float(x) / 9, float(y) / 9, 3, 113) +
                                0.1f * (latticeValue(blockX, course, 127) - 0.5f);
            Colour wall = mix(deepViolet, violet, 0.35f * stone) * (joint ? 0.55f : 1.0f) *
                          (1.1f - 0.4f * float(y) / float(size.height));
            const float warmth = std::exp(-std::max(0.0f, nearest) / 9);
            wall = wall + ember * (0.35f * warmth) + gold * (0.25f * std::exp(-std::max(0.0f, nearest) / 2));
            // Clear of the exact window colour everywhere on the wall.
            wall = {std::min(wall.r, 0.96f), std::min(wall.g, 0.96f), std::min(wall.b, 0.96f)};
            canvas.at(x, y) = wall;
            opening[std::size_t(y) * std::size_t(size.width) + std::size_t(x)] = nearest;
        }
    }
    Picture pixels = canvas.pixels();
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (opening[i] <= 0) pixels[i] = assets::windowColour;
    }
    return pixels;
}

// A hanging lantern of light, added over the window's corner.
Picture windowOverlay()
{
    const auto& size = assets::windowOverlay;
    Canvas canvas(size.width, size.height);
    const float cx = 42;
    Mask frame(size.width, size.height);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float fx = float(x), fy = float(y);
            float line = 0;
            // Chain down to the lantern's top.
            if (fy < 34) line = clamp01(1.2f - std::abs(fx - cx - 0.5f * std::sin(fy * 0.9f)));
            // The body: a rounded cage from rows 36 to 86, with three ribs.
            const float t = (fy - 36) / 50;
            if (t >= 0 && t <= 1) {
                const float half = 14 + 10 * std::sin(pi * t);
                const float dx = std::abs(fx - cx);
                line = std::max(line, clamp01(1.3f - std::abs(dx - half)));
                line = std::max(line, clamp01(1.1f - std::abs(fx - cx)) * 0.6f);
                line = std::max(line, clamp01(1.1f - std::abs(dx - half * 0.5f)) * 0.6f);
            }
            // Cap and foot.
            if (std::abs(fy - 35) < 1.5f && std::abs(fx - cx) < 18) line = 1;
            if (std::abs(fy - 87) < 1.5f && std::abs(fx - cx) < 16) line = 1;
            if (fy >= 88 && fy < 94 && std::abs(fx - cx) < 7 - (fy - 88)) line = 1;
            frame(x, y) = line;
        }
    }
    canvas.add(blur(frame, 1), 0, 0, ember * 0.6f);
    canvas.add(frame, 0, 0, gold * 0.8f);
    canvas.addGlow(cx, 64, 26, ember * 0.7f, 1.6f);
    canvas.addGlow(cx, 66, 12, pale * 0.9f, 2.0f);
    canvas.addGlow(cx, 62, 40, rose * 0.25f, 2.0f);
    canvas.clearBorder();
    return canvas.pixels();
}

// A spiral of light: two arms of glowing points winding out from a hot core.
Picture spiral()
{
    const auto& size = assets::spiral;
    Canvas canvas(size.width, size.height);
    const float cx = float(size.width) / 2, cy = float(size.height) / 2;
    canvas.addGlow(cx, cy, 30, gold * 0.8f, 2.0f);
    canvas.addGlow(cx, cy, 10, pale, 1.5f);
    for (int arm = 0; arm < 3; ++arm) {
        for (int step = 0; step < 170; ++step) {
            const float t = float(step) / 170;
            const float angle = float(arm) * 2 * pi / 3 + t * 3.4f * pi;
            const float radius = 6 + 48 * t;
            const float jitter = (latticeValue(step, arm, 131) - 0.5f) * 6 * t;
            const float x = cx + (radius + jitter) * std::cos(angle);
            const float y = cy + (radius + jitter) * std::sin(angle) * 1.05f;
            const Colour colour = mix(mix(gold, rose, t), violet, t * t);
            canvas.addGlow(x, y, 4.5f - 2 * t, colour * (0.5f * (1 - 0.6f * t)), 1.8f);
        }
    }
    for (int i = 0; i < 60; ++i) {
        const float angle = latticeValue(i, 0, 137) * 2 * pi, radius = 12 + 42 * latticeValue(i, 1, 137);
        canvas.addGlow(cx + radius * std::cos(angle), cy + radius * std::sin(angle), 1.6f, pale * 0.7f, 1.0f);
    }
    // Fade to exact black well inside the picture's edge.
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const float r = std::hypot(float(x) - cx, float(y) - cy);
            canvas.at(x, y) = canvas.at(x, y) * smoothstep(59, 50, r);
        }
    }
    canvas.clearBorder();
    return canvas.pixels();
}

Picture endBackground()
{
    Canvas canvas(320, 200);
    fillVertical(canvas, Gradient{{night, night, indigo, deepViolet}}, 0, 200);
    // A faint nebula behind the object.
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
            const float n = fractalNoise(float(x) / 50, float(y) / 50, 5, 139);
            const float cloud = smoothstep(0.45f, 0.8f, n) * 0.35f;
            canvas.at(x, y) = canvas.at(x, y) + mix(violet, rose, float(x) / 320) * cloud;
        }
    }
    addStars(canvas, 140, 199, 149);
    // A planet's edge at the lower right, lit by the sun from behind.
    const float px = 330, py = 330, radius = 190;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
            const float d = std::hypot(float(x) - px, float(y) - py);
            const float inside = clamp01(radius + 0.5f - d);
            const float rim = std::exp(-std::abs(d - radius) / 2.5f);
            const float atmosphere = std::exp(-std::max(0.0f, d - radius) / 10);
            Colour colour = mix(canvas.at(x, y), night, inside);
            colour = colour + ember * (0.35f * atmosphere) + gold * (0.9f * rim);
            canvas.at(x, y) = colour;
        }
    }
    return canvas.pixels();
}

Picture endPicture(const Lettering& lettering)
{
    Canvas canvas = duskHorizon(320, 200, 150, 26, 90, 151);
    const Mask title = padded(lettering.fit(Face::bold, "SOLVANE", 260, 64, 2, 2), 20);
    canvas.add(blur(dilate(title, 2), 5), 10, 20, rose * 0.5f);
    paintGoldLettering(canvas, title, 10, 20, 2, true);
    const Mask names = padded(lettering.render(Face::bold, "VEMKO   TOLVAK   PELM", 10, 2), 2);
    canvas.paint(blur(dilate(names, 1), 1), 160 - names.width / 2, 111, deepViolet, 0.8f);
    canvas.paint(names, 160 - names.width / 2, 111, pale);
    return canvas.pixels();
}

using Drawing = std::function<Picture(const Lettering&)>;

const std::vector<std::pair<std::string_view, Drawing>>& drawings()
{
    static const std::vector<std::pair<std::string_view, Drawing>> table = {
        {assets::sparkRed.name, [](const Lettering&) { return spark({1, 0, 0}); }},
        {assets::sparkGreen.name, [](const Lettering&) { return spark({0, 1, 0}); }},
        {assets::sparkBlue.name, [](const Lettering&) { return spark({0, 0, 1}); }},
        {assets::blob.name, [](const Lettering&) { return glowSprite(16, ember, pale); }},
        {assets::groupLogo.name, groupLogo},
        {assets::demoLogoBackground.name, [](const Lettering&) { return demoLogoBackground(); }},
        {assets::demoLogo.name, demoLogo},
        {assets::wordImmersion.name, [](const Lettering& l) { return word(assets::wordImmersion, l, "IMMERSION"); }},
        {assets::wordIs.name, [](const Lettering& l) { return word(assets::wordIs, l, "IS"); }},
        {assets::wordA.name, [](const Lettering& l) { return word(assets::wordA, l, "A"); }},
        {assets::wordState.name, [](const Lettering& l) { return word(assets::wordState, l, "STATE"); }},
        {assets::wordOf.name, [](const Lettering& l) { return word(assets::wordOf, l, "OF"); }},
        {assets::wordMind.name, [](const Lettering& l) { return word(assets::wordMind, l, "MIND"); }},
        {assets::titleCode.name, [](const Lettering& l) { return creditTitle(assets::titleCode, l, "code"); }},
        {assets::titleGraphics.name, [](const Lettering& l) { return creditTitle(assets::titleGraphics, l, "graphics"); }},
        {assets::titleMusic.name, [](const Lettering& l) { return creditTitle(assets::titleMusic, l, "music"); }},
        {assets::nameVemko.name, [](const Lettering& l) { return creditName(assets::nameVemko, l, "Vemko"); }},
        {assets::nameTolvak.name, [](const Lettering& l) { return creditName(assets::nameTolvak, l, "Tolvak"); }},
        {assets::namePelm.name, [](const Lettering& l) { return creditName(assets::namePelm, l, "Pelm"); }},
        {assets::emblem.name, [](const Lettering&) { return emblem(); }},
        {assets::panorama1.name, [](const Lettering&) { return panorama1(); }},
        {assets::panoramaSprite1.name, [](const Lettering&) { return boat(); }},
        {assets::panoramaSprite2.name, [](const Lettering&) { return swell(assets::panoramaSprite2, 26, 0); }},
        {assets::panoramaSprite3.name, [](const Lettering&) { return swell(assets::panoramaSprite3, 19, 1.7f); }},
        {assets::quote.name, quote},
        {assets::windowTexture.name, [](const Lettering&) { return windowTexture(); }},
        {assets::windowMask.name, [](const Lettering&) { return windowMask(); }},
        {assets::windowOverlay.name, [](const Lettering&) { return windowOverlay(); }},
        {assets::panorama2.name, [](const Lettering&) { return panorama2(); }},
        {assets::armSprite.name, [](const Lettering&) { return glowSprite(32, rose, pale, 0.62f); }},
        {assets::spiral.name, [](const Lettering&) { return spiral(); }},
        {assets::endBackground.name, [](const Lettering&) { return endBackground(); }},
        {assets::endPicture.name, endPicture},
    };
    return table;
}

}  // namespace

std::vector<data::Pixel> drawPicture(const data::PictureAsset& picture, const Lettering& lettering)
{
    for (const auto& [name, draw] : drawings()) {
        if (name != picture.name) continue;
        Picture pixels = draw(lettering);
        if (pixels.size() != picture.pixelCount()) {
            throw std::runtime_error(std::string(picture.name) + ": drawn at the wrong size");
        }
        return pixels;
    }
    throw std::runtime_error("no drawing for " + std::string(picture.name));
}

std::vector<data::Pixel> drawProgramBitmap(const Lettering& lettering)
{
    // The show's title over the dusk of its logo, small enough for the setup window.
    Canvas canvas = duskHorizon(programBitmapWidth, programBitmapHeight, 50, 11, 24, 23);
    const Mask title = padded(lettering.fit(Face::bold, "SOLVANE", 184, 40, 2, 1), 4);
    paintGoldLettering(canvas, title, programBitmapWidth / 2 - title.width / 2, 4, 1, true);
    const Mask tagline = lettering.render(Face::book, "A DEMO BY ZEV", 8, 2);
    canvas.paint(tagline, programBitmapWidth / 2 - tagline.width / 2, 53, mix(mist, pale, 0.4f));
    return canvas.pixels();
}

std::vector<data::Pixel> drawProgramIcon()
{
    // The low sun on the horizon, the show's one view, as a 32 × 32 tile.
    return duskHorizon(programIconSize, programIconSize, 21, 8, 6, 151).pixels();
}

}  // namespace assetgen
