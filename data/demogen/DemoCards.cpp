#include "DemoCards.h"

#include "UGH_cardimage.h"
#include "UGH_data.h"

#include <memory>

namespace {

// The game's globals the card routine reads, set to the written data folder while this lives: gamedir, the
// texture quality folder and the item table (loaded as the game's start-up loads it).
class TWrittenGame {
public:
    TWrittenGame(const std::string& folder, const TDemoContent& content)
        : FGameDir(gamedir), FQualityDir(qualitydir), FItems(std::make_unique<TBoundedTable<loot, 0, 1000>>(items))
    {
        gamedir = folder;
        qualitydir = "hq";
        for (std::size_t id = 0; id < content.items.size(); ++id)
            items[static_cast<int32_t>(id)] = LoadLoot(GamePath("\\items\\" + std::to_string(id) + ".lot"));
    }
    ~TWrittenGame()
    {
        items = *FItems;
        qualitydir = FQualityDir;
        gamedir = FGameDir;
    }
    TWrittenGame(const TWrittenGame&) = delete;
    TWrittenGame& operator=(const TWrittenGame&) = delete;

private:
    std::string FGameDir, FQualityDir;
    std::unique_ptr<TBoundedTable<loot, 0, 1000>> FItems;
};

} // namespace

void WriteCardPictures(const TDemoContent& content, const std::string& outputFolder, TDemoOutput& output)
{
    // Text needs the graphics layer's application; without a display it draws off screen.
    InitializeGraphics();
    const TWrittenGame game(outputFolder, content);
    auto strings = std::make_unique<TBoundedTable<std::string, 0, 10000>>();
    fillstrarr("en", *strings);
    TFont title, text;
    SetDefaultCardFonts(title, text);
    const TCardStyle style{&title, &text, strings.get(), "en"};
    for (std::size_t id = 0; id < content.cards.size(); ++id) {
        const int32_t n = static_cast<int32_t>(id);
        TCardImage image(LoadCard(GamePath("\\cards\\" + std::to_string(id) + ".crd"), "en"), n, style);
        for (int32_t pass = 2; pass >= 0; --pass) {
            image.Draw(pass);
            output.Publish("textures/cards/en/" + std::to_string(id) + "_" + std::to_string(pass) + ".png",
                           CardPng(image.Bitmap()));
        }
    }
}
