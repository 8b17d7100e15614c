// The configuration applied to the main window: what the file's lines set on the viewer, the buffer and the
// camera, and a file that does not read leaving the window as it was.
#include "UGH_main.h"

#include "GLWin32Viewer.h"
#include "UGH_data.h"
#include "VAVodad.h"

#include "GameDataFolder.h"
#include "Raises.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Lines 0..29, then 30..44 with maxvd (42) 12.
std::vector<std::string> Config(const std::string& antiAliasing, const std::string& brightness,
                                const std::string& vsync)
{
    return {"en", "400", "10", "5", "100", "250", "80", "60", "44100", "-1",         // 0..9
            "-1", "0", "-1", "1", brightness, "0", antiAliasing, "0", "0", "-1",     // 10..19
            "0", "0", "0", "1024", "768", "60", vsync, "0", "0", "0",                // 20..29
            "-1", "0", "0", "0", "-1", "-1", "0", "0", "1", "0", "-1", "30", "12", "0", "-1"};
}

class ConfigWindow : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        form.reset(new TForm1(nullptr));
    }
    void TearDown() override
    {
        form.reset();
        GameDataFolder::TearDown();
    }

    TVAVodadBuffer* Buffer() const { return form->VAVodadViewer1->Buffer(); }

    std::unique_ptr<TForm1, TFreeDeleter> form;
};

TEST_F(ConfigWindow, TheWindowTakesAntiAliasingLightViewDepthFogAndVSync)
{
    WriteLines("gh.cfg", Config("3", "50", "-1"));
    Buffer()->AmbientColor()->SetColor(0.2f, 0.2f, 0.2f, 0.7f);
    form->ReadConfig();
    EXPECT_EQ(Buffer()->AntiAliasing(), aa8x);
    EXPECT_FLOAT_EQ(Buffer()->AmbientColor()->Red(), 0.25f);
    EXPECT_FLOAT_EQ(Buffer()->AmbientColor()->Green(), 0.25f);
    EXPECT_FLOAT_EQ(Buffer()->AmbientColor()->Blue(), 0.25f);
    EXPECT_FLOAT_EQ(Buffer()->AmbientColor()->Alpha(), 0.7f);
    EXPECT_EQ(viewdist, 12);
    EXPECT_FLOAT_EQ(form->mcam->DepthOfView(), 240);
    EXPECT_FLOAT_EQ(form->mcam->FocalLength(), 100);
    EXPECT_FLOAT_EQ(Buffer()->FogEnvironment()->FogEnd(), 240);
    EXPECT_EQ(form->VAVodadViewer1->VSync(), vsmSync);

    WriteLines("gh.cfg", Config("2", "200", "0"));
    form->ReadConfig();
    EXPECT_EQ(Buffer()->AntiAliasing(), aa4x);
    EXPECT_FLOAT_EQ(Buffer()->AmbientColor()->Red(), 1.0f);
    EXPECT_EQ(form->VAVodadViewer1->VSync(), vsmNoSync);
}

TEST_F(ConfigWindow, AnUnreadableAntiAliasingLineSwitchesItOffAndAnUnknownIndexKeepsIt)
{
    WriteLines("gh.cfg", Config("2", "100", "0"));
    form->ReadConfig();
    WriteLines("gh.cfg", Config("x", "100", "0"));
    form->ReadConfig();
    EXPECT_EQ(Buffer()->AntiAliasing(), aaNone);
    WriteLines("gh.cfg", Config("2", "100", "0"));
    form->ReadConfig();
    WriteLines("gh.cfg", Config("7", "100", "0"));
    form->ReadConfig();
    EXPECT_EQ(Buffer()->AntiAliasing(), aa4x);
}

TEST_F(ConfigWindow, AFileThatDoesNotReadLeavesTheWindowAsItWas)
{
    WriteLines("gh.cfg", Config("1", "100", "-1"));
    form->ReadConfig();
    // Line 14, the brightness, is not a number.
    WriteLines("gh.cfg", Config("3", "bright", "0"));
    EXPECT_NE(MessageOf<EGameDataError>([&] { form->ReadConfig(); }), cNoException);
    EXPECT_EQ(Buffer()->AntiAliasing(), aa2x);
    EXPECT_FLOAT_EQ(Buffer()->AmbientColor()->Red(), 0.5f);
    EXPECT_EQ(form->VAVodadViewer1->VSync(), vsmSync);
}

} // namespace
