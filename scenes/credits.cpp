#include "scenes/credits.h"

#include "render/blit.h"

#include <algorithm>

namespace scenes {

namespace {

// Which page belongs to a position: 9-10, 11-12, 13-14.
std::size_t pageAt(int position)
{
    return position < 11 ? 0 : position < 13 ? 1 : 2;
}

}  // namespace

data::Status CreditsScene::load(data::DataLibrary& library, SceneContext&)
{
    namespace assets = data::assets;
    const data::Status status = loadPictures(library, {
        {assets::titleCode, pages[0].title},  {assets::titleGraphics, pages[1].title},
        {assets::titleMusic, pages[2].title}, {assets::nameVemko, pages[0].name},
        {assets::nameTolvak, pages[1].name},  {assets::namePelm, pages[2].name},
        {assets::emblem, emblem},
    });
    if (!status)
        return status;
    pages[0].titleX = 31;
    pages[0].nameX = 10;
    pages[1].titleX = 10;
    pages[1].nameX = 14;
    pages[2].titleX = 10;
    pages[2].nameX = 21;
    return data::Done{};
}

void CreditsScene::advance(int position, int row)
{
    switch (position) {
    case 9:
    case 11:
    case 13:
        level = static_cast<std::uint8_t>(row < 32 ? row * 8 : 255);
        break;
    case 10:
    case 12:
    case 14:
        if (row < 32) {
            level = static_cast<std::uint8_t>(255 - row * 8);
            CreditPage& page = pages[pageAt(position)];
            page.titleX -= 3;
            page.nameX += 4;
        } else {
            level = 0;
        }
        break;
    default:
        break;
    }
}

void CreditsScene::draw(render::FrameSpan frame, int position, int row) const
{
    std::fill(frame.begin(), frame.end(), Pixel{0});
    addPicture(frame, emblem.image(), emblemX, 0);
    const CreditPage& page = pages[pageAt(position)];
    render::blitScaledAdd(frame, page.title.image(), page.titleX, titleBottom - page.title.height, page.title.width,
                          page.title.height, level);
    render::blitScaledAdd(frame, page.name.image(), page.nameX, nameTop, page.name.width, page.name.height, level);
    if (position == 9 && row < 32)
        render::fadeFrame(frame, row * 8);
    if (position == 14 && row >= 32)
        render::fadeFrame(frame, (63 - row) * 8);
}

void CreditsScene::animate(SceneContext&, const PassTime& time) { advance(time.position, time.row); }

void CreditsScene::paint(SceneContext&, render::FrameSpan frame, const PassTime& time)
{
    draw(frame, time.position, time.row);
}

}  // namespace scenes
