// The main window's frame loop and housekeeping: the cadencer's frame dispatch, one game frame in its eight
// guarded blocks, the load screen, the one-second timers, resizing and full screen, closing, screenshots,
// the version string and the anti-aliasing switch.
#include "UGH_main.h"

#include "Dialogs.h"
#include "FileUtils.h"
#include "GLCadencer.h"
#include "GLGeomObjects.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLPostEffects.h"
#include "GLSMOpenAL.h"
#include "GLWin32Viewer.h"
#include "Graphics.h"
#include "JPEG.h"
#include "ProgramVersion.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"
#include "UGH_log.h"
#include "Windows.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <string>

namespace {

std::string SnapShotName(int32_t n)
{
    return GamePath("\\screenshots\\sshot_" + std::to_string(n) + ".jpg");
}

} // namespace

// ---- Frame dispatch ----

void TGHThread::Execute()
{
    if (framebusy) {
        // A frame that raises must not leave framebusy set: no later tick would run a frame.
        struct TBusyClear {
            ~TBusyClear() { framebusy = false; }
        } busyClear;
        FForm->CadencerRun(framedelta);
    }
    if (!framebusy) FTerminated = true;
}

void TForm1::GLCadencer1Progress(TObject*, double deltaTime, double)
{
    // Until the start-up has made the frame object, frames run directly.
    if (!multithread || !framethread) {
        CadencerRun(deltaTime);
    } else if (!framebusy) {
        framebusy = true;
        framedelta = deltaTime;
        framethread->Execute();
    }
    VAVodadViewer1->Invalidate();
}

// ---- One frame ----

TBoundedArray<TForm1::TFrameBlock, 1, 8> TForm1::DefaultFrameBlocks()
{
    TBoundedArray<TFrameBlock, 1, 8> blocks;
    blocks[1] = [this](double deltatime) { FrameBlockB1(deltatime); };
    blocks[2] = [this](double) { ProcessItemList(); };
    blocks[3] = [this](double deltatime) { FrameBlockB3(deltatime); };
    blocks[4] = [this](double deltatime) { FrameBlockB4(deltatime); };
    blocks[5] = [this](double deltatime) { FrameBlockB5(deltatime); };
    blocks[6] = [this](double) { ProcessBasicHUD(); };
    blocks[7] = [this](double deltatime) { FrameBlockB7(deltatime); };
    blocks[8] = [this](double deltatime) { FrameBlockB8(deltatime); };
    return blocks;
}

void TForm1::CadencerRun(double deltatime)
{
    if (exiting) {
        GLCadencer1->SetEnabled(false);
        return;
    }
    framerunning = true;
    frameerrors.clear();
    try {
        if (!fsinitdone) {
            InitFullscreen();
            fsinitdone = true;
        }
        // The main menu's level lights follow its camera every frame.
        if (mmmode && mapid == "mm_map") ProcessLights();
        if (!fullscreen || Visible()) {
            scrw = VAVodadViewer1->Width();
            scrh = VAVodadViewer1->Height();
        } else {
            scrw = fswidth;
            scrh = fsheight;
        }
        if (!levelbusy) {
            for (int32_t k = FrameBlocks.Low(); k <= FrameBlocks.High(); ++k) {
                if (!cadblocks[k] || !FrameBlocks[k]) continue;
                try {
                    FrameBlocks[k](deltatime);
                } catch (...) {
                    frameerrors += "b" + std::to_string(k);
                }
            }
        }
        if (levelbusy) SetHUDText(levelname, mapname);
        ProcessLoadScreen();
    } catch (...) {
        frameerrors += " Render errors detected";
    }
    if (!frameerrors.empty()) SetCaption(frameerrors);
    framerunning = false;
}

void TForm1::FrameBlockB1(double deltatime)
{
    if (!mmmode && !loading && !levelbusy) processglobscripts();
    PositionCamera(deltatime);
    stepscale = levelsteps / 800.0;
    PositionLight();
    if (playercone->Visible()) playercone->SetVisible(false);
    // The dark cover behind a request form hides the whole view.
    reqform_dark->SetVisible(reqform->Visible());
    if (reqform_dark->Visible()) {
        SizeHUD(reqform_dark, scrw, scrh);
        PlaceHUD(reqform_dark, scrw / 2.0f, scrh / 2.0f);
    }
    HandleDMGPops(deltatime);
    if (btlmode) {
        player.hand[6] = activecard;
        fillefflist();
        ShowChEffects();
    } else {
        HideChEffects();
    }
    if (btlmode && (invmode || itemlistmode)) HideChEffects();
    // The first queued enemy opens a battle; the later ones join it while it runs.
    if (battlelist[0] != -2 && !btlmode) StartBattle(0);
    if (btlmode) joinpending();
    // The paper doll wears the pictures of the armour and the hat; a slot with no valid item keeps them.
    const auto wear = [](int32_t slot, int32_t loot::*picture, int32_t& worn) {
        const int32_t id = equipped[slot];
        if (id >= items.Low() && id <= items.High()) worn = items[id].*picture;
    };
    wear(2, &loot::l_armor, player.cloth);
    wear(3, &loot::l_hat, player.hat);
    if (invmode || mmmode || rfmode) itemlistmode = false;
    inventory->SetVisible(itemlistmode);
}

void TForm1::FrameBlockB3(double deltatime)
{
    ShowBattleScreen(deltatime);
}

void TForm1::FrameBlockB4(double)
{
    ProcessRequestForm();
    // The character screen is laid out once a second and after changes, not every frame.
    if (invmode && uirefresh) ShowCharacterScreen();
    ResetSkyBox();
}

void TForm1::ProcessRequestForm()
{
    if (!rfmode) {
        if (reqform->Visible()) {
            for (TGLBaseSceneObject* object : std::initializer_list<TGLBaseSceneObject*>{reqform, rf_text, rf_title,
                                                                                      spellfound})
                object->SetVisible(false);
        }
        return;
    }
    // The form's layer draws it over the darkening and the other interface layers, under its own buttons.
    reqform->SetVisible(true);
    if (!rfimg.empty()) SetHUDMaterial(spellfound, rfimg);
    const bool scroll = rfcase == 10 || rfcase == 44;
    float baseWidth = scroll ? 500 : 400, baseHeight = scroll ? 700 : 200;
    if (rfpos == 0) PlaceHUD(reqform, scrw / 2.0f, scrh / 2.0f);
    if (rfpos == 1 || rfcase == 25) PlaceHUD(reqform, scrw / 2.0f, reqform->Height() / 2 + 10);
    std::string material = scroll ? "rf_scrollbg" : "ui_bg";
    bool dark = scroll; // black writing on parchment and pictures, else white
    float width = std::min<float>(std::max<float>(GetRfWidth(rftext), baseWidth), scrw);
    float height = std::min<float>(baseHeight, scrh - 100);
    if (rfcase == 11) {
        material = rfimg;
        dark = true;
        if (scrh < scrw) {
            height = scrh - 50;
            width = Round((scrh - 50) / 600.0 * 800);
        } else {
            width = scrw - 50;
            height = Round((scrw - 50) / 800.0 * 600);
        }
    }
    SetHUDMaterial(reqform, material);
    SizeHUD(reqform, width, height);
    const float left = reqform->Position()->X() - width / 2, top = reqform->Position()->Y() - height / 2;
    const float shade = dark ? 0.0f : 1.0f;
    for (TGLHUDText* text : {rf_title, rf_text}) {
        text->SetVisible(true);
        const TVector4f& colour = text->ModulateColor()->Color();
        if (colour.X != shade || colour.Y != shade || colour.Z != shade) text->ModulateColor()->SetColor(shade, shade, shade);
    }
    PlaceHUD(rf_title, left + 20, top + 20);
    SetHUDText(rf_title, rftitle);
    PlaceHUD(rf_text, left + 40, top + 60);
    SetHUDText(rf_text, rfcase == 0 ? NameEntryText(rftext) : rftext);
    // A gained card, an illustrated choice or a gained item shows its picture right of the form.
    const bool picture = rfcase == 5 || rfcase == 99 || (rfcase == 25 && !rfimg.empty());
    spellfound->SetVisible(picture);
    if (picture) {
        SizeHUD(spellfound, rfcase == 99 ? height : height * 120 / 200, height);
        PlaceHUD(spellfound, reqform->Position()->X() + width / 2 + 5 + spellfound->Width() / 2,
                 reqform->Position()->Y());
    }
}

void TForm1::FrameBlockB5(double deltatime)
{
    // The teleport glow fades out over its second.
    if (glowtime > 0) {
        glowtime -= deltatime;
        glowlevel = std::clamp(static_cast<int32_t>(Round(glowtime * 10)), 0, 10);
        SizeHUD(teleport_glow, scrw, scrh);
        PlaceHUD(teleport_glow, scrw / 2.0f, scrh / 2.0f);
        teleport_glow->SetVisible(true);
        TGLColor* diffuse = teleport_glow->Material()->FrontProperties()->Diffuse();
        diffuse->SetAlpha(glowlevel / 10.0f);
    } else {
        teleport_glow->SetVisible(false);
    }
    ControlMusic();
    ControlBattle();
    // The oldest waiting request comes on screen once the one before it is answered.
    if (!rfmode && rfqueue[1].active) DisplayRequestForm();
    if (btlmode && !invmode && !mmmode) {
        // In the player's turn the battle shows the targeted enemy.
        if (btlturn == 0) shownenemy = opponent.enem_id;
        VisualizeBattle(shownenemy);
    }
    LevelUp();
    halfw = static_cast<int32_t>(Round(scrw / 2.0));
    halfh = static_cast<int32_t>(Round(scrh / 2.0));
    fullw = scrw;
    fullh = scrh;
}

void TForm1::FrameBlockB7(double)
{
    const bool shown = minimapon && !invmode && !mmmode && !btlmode;
    // What changed while it was hidden (a load, a new game, a battle) shows as it comes back.
    const bool appearing = shown && !minimap->Visible();
    minimap->SetVisible(shown);
    if (appearing) WorkOnMinimap();
    if (shown) {
        SizeHUD(minimap, 200, 200);
        PlaceHUD(minimap, minimap->Width() / 2 + 10, scrh - minimap->Height() / 2 - 40);
    }
    ProcessPerkPanel();
}

void TForm1::FrameBlockB8(double deltatime)
{
    try {
        ProcessButtons();
    } catch (...) {
        frameerrors += " procbts ";
    }
    ShowEnemyPortraits();
    fmbtime += deltatime;
    fmbrate = lessredraws ? 100 : 1000;
    if (fmbtime > 1.0 / fmbrate) {
        ProcessFreemeshBehaviour(fmbtime);
        fmbtime = 0;
    }
    ProcessWanderers(deltatime);
}

// ---- Load screen ----

void TForm1::LoadScreenPictureSize(int32_t width, int32_t height, float& pictureWidth, float& pictureHeight)
{
    const double scale = height < width ? height / 768.0 : width / 1024.0;
    pictureWidth = static_cast<float>(819.2 * scale);
    pictureHeight = static_cast<float>(614.4 * scale);
}

void TForm1::ProcessLoadScreen()
{
    if (!levelbusy) {
        SetHUDMaterial(loadscr_f, "---");
        dcload->SetVisible(false);
        loadingname.clear();
        return;
    }
    dcload->SetVisible(true);
    SetHUDMaterial(loadscr_b, "etex_" + std::to_string(envindex) + "_0");
    SetHUDMaterial(loadscr_f, "loadscr_" + std::to_string(loadscrno));
    const float centreX = scrw / 2.0f, centreY = scrh / 2.0f;
    PlaceHUD(loadscr_b, centreX, centreY);
    SizeHUD(loadscr_b, scrw, scrh);
    float pictureWidth = 0, pictureHeight = 0;
    LoadScreenPictureSize(scrw, scrh, pictureWidth, pictureHeight);
    PlaceHUD(loadscr_f, centreX, centreY);
    SizeHUD(loadscr_f, pictureWidth, pictureHeight);
    PlaceHUD(loadtxt, 10, 10);
    SetHUDText(loadtxt, levelsaving ? strarr[302] : strarr[301]);
    PlaceHUD(levelname, 10, 40);
    levelname->SetVisible(true);
    // A map is read whole before it replaces the level: mapname still names the level before.
    SetHUDText(levelname, loadingname.empty() ? mapname : loadingname);
}

void TForm1::PaintLoadScreen()
{
    ProcessLoadScreen();
    VAVodadViewer1->Invalidate();
    if (Application) Application->ProcessMessages();
}

std::function<void(const std::string&)> TForm1::LoadScreenProgress()
{
    loadscrno = Random(loadscrcount);
    return [this, last = std::chrono::steady_clock::time_point{}](const std::string& name) mutable {
        // Reading a big map does not spend its time repainting: a tenth of a second between paints.
        if (std::chrono::steady_clock::now() - last < std::chrono::milliseconds(100)) return;
        loadingname = name;
        PaintLoadScreen();
        last = std::chrono::steady_clock::now();
    };
}

// ---- Timers ----

void TForm1::Timer1Timer(TObject*)
{
    uirefresh = true;
}

std::string TForm1::FrameRateCaption(const std::string& version, const std::string& fpsText, int32_t viewdist,
                                     int32_t mbdcount)
{
    return "Mirefall v. " + version + ". FPS: " + fpsText + ". View dist.: " + std::to_string(viewdist) +
           " MBD count: " + std::to_string(mbdcount);
}

void TForm1::Timer2Timer(TObject*)
{
    SetCaption(FrameRateCaption(appversion, VAVodadViewer1->FramesPerSecondText(1), viewdist, mbdcount));
    curfps = static_cast<int32_t>(Round(VAVodadViewer1->FramesPerSecond()));
    VAVodadViewer1->ResetPerformanceMonitor();
    // The view distance waits for the next second when its refresh fails.
    try {
        AutoAdjustMbd(curfps);
    } catch (const std::exception& e) {
        GameLog(std::string("The view distance was not adjusted: ") + e.what());
    }
    lastpx = playerx;
    lastpy = playery;
    GLSMOpenAL1->SetMasterVolume(soundvol / 100.0f);
}

// ---- Window size and full screen ----

TPoint TForm1::MinimumClientSize(int32_t width, int32_t height)
{
    return TPoint{std::max(width, 1024), std::max(height, 576)};
}

void TForm1::FormResize(TObject*)
{
    const TPoint client = MinimumClientSize(ClientWidth(), ClientHeight());
    if (client.X != ClientWidth()) SetClientWidth(client.X);
    if (client.Y != ClientHeight()) SetClientHeight(client.Y);
    uirefresh = true;
    scrw = ClientWidth();
    scrh = ClientHeight();
    // The played cards go back to their resting points at the sides of the view.
    PlaceHUD(usedcard, usedcard->Width() / 2 + 5, static_cast<float>(PlayedCardRestY(usedcard->Height())));
    PlaceHUD(usedcard2, scrw - (usedcard2->Width() / 2 + 5), static_cast<float>(PlayedCardRestY(usedcard2->Height())));
    enemycardposx = usedcard->Position()->X();
    enemycardposy = usedcard->Position()->Y();
    playercardposx = usedcard2->Position()->X();
    playercardposy = usedcard2->Position()->Y();
    ProcessLoadScreen();
    PixelateShader->SetPixelWidth(ClientWidth() / 800.0f);
    PixelateShader->SetPixelHeight(ClientWidth() / 600.0f);
}

void TForm1::InitFullscreen()
{
    if (fullscreen) {
        SetFormStyle(fsStayOnTop);
        SetBorderStyle(bsNone);
        TDevMode screen;
        if (EnumDisplaySettings(ENUM_CURRENT_SETTINGS, screen)) {
            SetBounds(0, 0, static_cast<int32_t>(screen.dmPelsWidth), static_cast<int32_t>(screen.dmPelsHeight));
        }
    } else {
        SetFormStyle(fsNormal);
        SetBorderStyle(bsSizeable);
    }
    SetWindowState(wsNormal);
    SetWindowState(wsMaximized);
    VAVodadViewer1->Invalidate();
}

// ---- Closing ----

void TForm1::FormCloseQuery(TObject*, bool& CanClose)
{
    // In full screen the game's own view asks, and its answer exits.
    if (fullscreen) {
        ShowRequestForm("", strarr[345], 1, 30, 0, "");
        CanClose = false;
        return;
    }
    TMessageBoxRequest request;
    request.Kind = mtConfirmation;
    request.Caption = Application ? Application->Title() : std::string();
    request.Text = strarr[345];
    request.Buttons = mbsYesNo;
    request.Default = mrYes;
    CanClose = ShowMessageBox(request) == mrYes;
}

void TForm1::FormClose(TObject*, TCloseAction&)
{
    ExitGame();
}

void TForm1::ExitGame()
{
    // The application is asked to end once; the next frame stops the cadencer.
    if (exiting) return;
    exiting = true;
    cleargslist();
    // Only in memory: closing writes no file.
    musicon = false;
    soundon = false;
    try {
        GLSphere1->Behaviours()->Clear();
    } catch (...) {
        GameLog("The music could not be stopped on exit");
    }
    GLSMOpenAL1->SetActive(false);
    if (Application) Application->Terminate();
}

void TForm1::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_SYSCOMMAND && Message.WParam == SC_MINIMIZE) {
        if (Application) Application->Minimize();
        return;
    }
    TForm::WndProc(Message);
}

// ---- Screenshots ----

std::string TForm1::SaveSnapShot(TBitmap& bitmap)
{
    try {
        if (!ForceDirectories(GamePath("\\screenshots"))) {
            throw Exception("the folder " + ResolvePath(GamePath("\\screenshots")) + " cannot be made");
        }
        int32_t n = 1;
        while (FileExists(SnapShotName(n))) ++n;
        const std::string fileName = ResolvePath(SnapShotName(n));
        TJPEGImage jpeg;
        jpeg.Assign(&bitmap);
        jpeg.SaveToFile(fileName);
        return fileName;
    } catch (const std::exception& e) {
        GameLog(std::string("The screenshot was not saved: ") + e.what());
    }
    return std::string();
}

void TForm1::TakeSnapShot()
{
    try {
        const std::unique_ptr<TBitmap> bitmap(VAVodadViewer1->CreateSnapShotBitmap());
        SaveSnapShot(*bitmap);
    } catch (const std::exception& e) {
        GameLog(std::string("The screenshot was not taken: ") + e.what());
    }
}

// ---- Version and anti-aliasing ----

std::string GetAppVersionStr()
{
    const TFileVersion version = ProgramFileVersion();
    return std::to_string(version.Major) + "." + std::to_string(version.Minor) + "." +
           std::to_string(version.Release) + "." + std::to_string(version.Build);
}

void TForm1::SwitchAA(int32_t i)
{
    static constexpr std::array<TGLAntiAliasing, 5> cModes{aaNone, aa2x, aa4x, aa8x, aa16x};
    if (i < 0 || i >= static_cast<int32_t>(cModes.size())) return;
    VAVodadViewer1->Buffer()->SetAntiAliasing(cModes[static_cast<std::size_t>(i)]);
}
