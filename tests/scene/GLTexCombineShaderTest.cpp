// The texture-combiner language and its shader. The compiler on the recording fake OpenGL (its extensions
// and unit count set per case): the commands of each line and the message of each error. The shader through the
// memory viewer: a light map added to a base texture, a third texture on unit 2, and a broken script reported
// after the frame, not inside it.
#include "GLTexCombineShader.h"

#include "Dialogs.h"
#include "Forms.h"
#include "GLObjects.h"
#include "Graphics.h"
#include "ProcessUntil.h"
#include "Raises.h"
#include "RecordingGL.h"
#include "SceneRenderFixture.h"
#include "StringLists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TStringList Lines(const std::vector<std::string>& lines)
{
    TStringList list;
    for (const std::string& line : lines) list.Add(line);
    return list;
}

class TextureCombinerCompiler : public ::testing::Test {
protected:
    TextureCombinerCompiler()
    {
        GL.Table.ARB_texture_env_combine = true;
        GL.Table.ARB_texture_env_crossbar = true;
        GL.Table.ARB_texture_env_dot3 = true;
        GL.Integers[GL_MAX_TEXTURE_UNITS] = 8;
    }

    TCombinerCache Compile(const std::vector<std::string>& lines)
    {
        TCombinerCache commands;
        CompileCombiners(Lines(lines), commands);
        return commands;
    }

    TRecordingGL GL;
};

TEST_F(TextureCombinerCompiler, EachLineGivesItsCommands)
{
    const struct {
        std::vector<std::string> Script;
        TCombinerCache Commands;
    } cases[] = {
        {{"Tex1:=Tex0+Tex1;"},
         {{1, GL_COMBINE_RGB, GL_ADD},
          {1, GL_SOURCE0_RGB, GL_PREVIOUS},
          {1, GL_OPERAND0_RGB, GL_SRC_COLOR},
          {1, GL_SOURCE1_RGB, GL_TEXTURE},
          {1, GL_OPERAND1_RGB, GL_SRC_COLOR}}},
        {{"tex0.a := tex0.a"},
         {{0, GL_COMBINE_ALPHA, GL_REPLACE}, {0, GL_SOURCE0_ALPHA, GL_TEXTURE}, {0, GL_OPERAND0_ALPHA, GL_SRC_ALPHA}}},
        {{"tex1:=tex0+tex1-0.5"},
         {{1, GL_COMBINE_RGB, GL_ADD_SIGNED},
          {1, GL_SOURCE0_RGB, GL_PREVIOUS},
          {1, GL_OPERAND0_RGB, GL_SRC_COLOR},
          {1, GL_SOURCE1_RGB, GL_TEXTURE},
          {1, GL_OPERAND1_RGB, GL_SRC_COLOR}}},
        {{"tex1:=interpolate(tex0,tex1,col.a)"},
         {{1, GL_COMBINE_RGB, GL_INTERPOLATE},
          {1, GL_SOURCE0_RGB, GL_PREVIOUS},
          {1, GL_OPERAND0_RGB, GL_SRC_COLOR},
          {1, GL_SOURCE1_RGB, GL_TEXTURE},
          {1, GL_OPERAND1_RGB, GL_SRC_COLOR},
          {1, GL_SOURCE2_RGB, GL_PRIMARY_COLOR},
          {1, GL_OPERAND2_RGB, GL_SRC_ALPHA}}},
        {{"tex1:=~tex0"},
         {{1, GL_COMBINE_RGB, GL_REPLACE}, {1, GL_SOURCE0_RGB, GL_PREVIOUS}, {1, GL_OPERAND0_RGB, GL_ONE_MINUS_SRC_COLOR}}},
        // Another unit than the one before is a crossbar source; "1-" inverts like "~".
        {{"tex3 := tex0 * 1-constcol.alpha"},
         {{3, GL_COMBINE_RGB, GL_MODULATE},
          {3, GL_SOURCE0_RGB, GL_TEXTURE0},
          {3, GL_OPERAND0_RGB, GL_SRC_COLOR},
          {3, GL_SOURCE1_RGB, GL_CONSTANT},
          {3, GL_OPERAND1_RGB, GL_ONE_MINUS_SRC_ALPHA}}},
        {{"tex2:=dot3(tex,primarycolor)"},
         {{2, GL_COMBINE_RGB, GL_DOT3_RGB},
          {2, GL_SOURCE0_RGB, GL_TEXTURE},
          {2, GL_OPERAND0_RGB, GL_SRC_COLOR},
          {2, GL_SOURCE1_RGB, GL_PRIMARY_COLOR},
          {2, GL_OPERAND1_RGB, GL_SRC_COLOR}}},
        {{"tex1:=tex1-envcol"},
         {{1, GL_COMBINE_RGB, GL_SUBTRACT},
          {1, GL_SOURCE0_RGB, GL_TEXTURE},
          {1, GL_OPERAND0_RGB, GL_SRC_COLOR},
          {1, GL_SOURCE1_RGB, GL_CONSTANT},
          {1, GL_OPERAND1_RGB, GL_SRC_COLOR}}},
        // Comments, empty lines and a lone ";" give nothing; the lines of a script follow one another.
        {{"// light map", "", " ; ", "tex0:=col", "tex1:=tex"},
         {{0, GL_COMBINE_RGB, GL_REPLACE},
          {0, GL_SOURCE0_RGB, GL_PRIMARY_COLOR},
          {0, GL_OPERAND0_RGB, GL_SRC_COLOR},
          {1, GL_COMBINE_RGB, GL_REPLACE},
          {1, GL_SOURCE0_RGB, GL_TEXTURE},
          {1, GL_OPERAND0_RGB, GL_SRC_COLOR}}},
    };
    for (const auto& c : cases) EXPECT_EQ(Compile(c.Script), c.Commands) << c.Script.back();
}

TEST_F(TextureCombinerCompiler, ALineItCannotCompileRaisesItsMessage)
{
    using TFlag = bool TGLExtensionsAndEntryPoints::*;
    const struct {
        std::string Line;
        std::string Message;
        TFlag Missing = nullptr; // an extension the context lacks
    } cases[] = {
        {"foo:=tex0", "Invalid destination \"foo\""},
        {"tex0", "Invalid destination \"\""}, // no ":=", so no destination
        {"tex:=tex0", "Invalid destination texture unit \"tex\""},
        {"tex-1:=tex0", "Invalid destination texture unit \"tex-1\""},
        // The context has 8 units: a combine environment on a ninth is refused before it reaches OpenGL.
        {"tex8:=tex0", "Invalid destination texture unit \"tex8\""},
        {"tex40.a:=tex0", "Invalid destination texture unit \"tex40\""},
        {"tex0:=bogus", "invalid argument : \"bogus\""},
        {"tex0:=tex0.g", "invalid argument : \"tex0.g\""},
        {"tex0:=tex9", "invalid argument : \"tex9\""},
        // "-" is tested after "+" and replaces it: the first argument is "tex0+1".
        {"tex1:=tex0+1-tex1", "invalid argument : \"tex0+1\""},
        {"tex1:=dot3(tex0,tex1,col)", "Invalid parameter count"},
        {"tex1:=interpolate(tex0,tex1)", "Invalid parameter count"},
        {"tex1:=sqrt(tex0)", "Invalid function \"sqrt\""},
        {"tex1:=dot3(tex0,tex1)", "Requires GL_ARB_texture_env_dot3", &TGLExtensionsAndEntryPoints::ARB_texture_env_dot3},
        {"tex2:=tex0", "Requires GL_ARB_texture_env_crossbar or NV_texture_env_combine4",
         &TGLExtensionsAndEntryPoints::ARB_texture_env_crossbar},
        {"tex1:=tex0", "Requires GL_ARB_texture_env_combine support",
         &TGLExtensionsAndEntryPoints::ARB_texture_env_combine},
    };
    for (const auto& c : cases) {
        if (c.Missing) GL.Table.*c.Missing = false;
        TCombinerCache commands = {{5, 6, 7}};
        EXPECT_EQ(MessageOf<ETextureCombinerError>([&] { CompileCombiners(Lines({"tex0:=tex", c.Line}), commands); }),
                  c.Message)
            << c.Line;
        EXPECT_EQ(commands, (TCombinerCache{{5, 6, 7}})) << c.Line;
        if (c.Missing) GL.Table.*c.Missing = true;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Through the memory viewer.

class GLTexCombineShaderRender : public SceneRenderFixture {
protected:
    void SetUp() override
    {
        SceneRenderFixture::SetUp();
        Library = new TGLMaterialLibrary(nullptr);
        Base = AddGrey("base", 64);
        // The base texture alone: its grey goes to the combiners unchanged.
        Base->Material()->Texture()->SetTextureMode(tmReplace);
        AddGrey("light", 128);
        AddGrey("third", 32);
        Base->SetTexture2Name("light");
        Shader = new TGLTexCombineShader(nullptr);
        Shader->SetMaterialLibrary(Library);
        Base->SetShader(Shader);
        auto* plane = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Scene->Objects());
        plane->SetWidth(10);
        plane->SetHeight(10);
        plane->Position()->SetPoint(0, 0, -5);
        plane->Material()->SetMaterialLibrary(Library);
        plane->Material()->SetLibMaterialName("base");
    }

    void TearDown() override
    {
        Free(Shader);
        Free(Library);
        SetMessageBoxHook(nullptr);
        SceneRenderFixture::TearDown();
    }

    TGLLibMaterial* AddGrey(const std::string& name, uint8_t grey)
    {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf32bit);
        bitmap.SetSize(2, 2);
        const uint8_t pixel[4] = {grey, grey, grey, 255};
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 2; ++x) std::memcpy(bitmap.ScanLine(y) + 4 * x, pixel, 4);
        return Library->AddTextureMaterial(name, &bitmap);
    }

    TColor Centre() { return Pixel(cWidth / 2, cHeight / 2); }

    TGLMaterialLibrary* Library = nullptr;
    TGLLibMaterial* Base = nullptr;
    TGLTexCombineShader* Shader = nullptr;
};

TEST_F(GLTexCombineShaderRender, TheScriptAddsTheLightMapAndAThirdTexture)
{
    const struct {
        std::vector<std::string> Script;
        std::string Third;
        int Grey;
    } cases[] = {
        {{"Tex1:=Tex0+Tex1;"}, "", 64 + 128},
        {{"Tex1:=Tex0+Tex1;", "Tex2:=Tex1+Tex2;"}, "third", 64 + 128 + 32},
    };
    for (const auto& c : cases) {
        TStringList script = Lines(c.Script);
        Shader->SetCombiners(&script);
        Shader->SetLibMaterial3Name(c.Third);
        Render();
        EXPECT_EQ(Centre(), Rgb(c.Grey, c.Grey, c.Grey)) << c.Script.back();
    }
}

TEST_F(GLTexCombineShaderRender, ABrokenScriptIsReportedOnceAfterTheFrame)
{
    std::vector<std::string> shown;
    SetMessageBoxHook([&](const TMessageBoxRequest& request) {
        shown.push_back(request.Text);
        return mrOk;
    });
    TStringList script = Lines({"foo:=tex0"});
    Shader->SetCombiners(&script);
    Render();
    EXPECT_TRUE(shown.empty()) << "no box inside the frame";
    EXPECT_FALSE(Shader->CombinerIsValid());
    // Uncombined, the light map modulates the base: 64 x 128 / 255.
    EXPECT_TRUE(Near(Centre(), Rgb(32, 32, 32), 1));
    ASSERT_TRUE(ProcessUntil([&] { return !shown.empty(); }));
    EXPECT_EQ(shown, std::vector<std::string>{"ETextureCombinerError: Invalid destination \"foo\""});

    // Silent until the script changes.
    Render();
    Application->ProcessMessages();
    EXPECT_EQ(shown.size(), 1u);
    Shader->Combiners()->SetText("Tex1:=Tex0+Tex1;");
    EXPECT_TRUE(Shader->CombinerIsValid());
    Render();
    EXPECT_EQ(Centre(), Rgb(192, 192, 192));
}

TEST_F(GLTexCombineShaderRender, FreeingTheLibraryClearsTheShadersNames)
{
    Shader->SetLibMaterial3Name("third");
    Shader->SetLibMaterial4Name("light");
    EXPECT_TRUE(Library->LibMaterialByName("third")->IsUsed());
    Free(Library);
    Library = nullptr;
    EXPECT_EQ(Shader->MaterialLibrary(), nullptr);
    EXPECT_EQ(Shader->LibMaterial3Name(), "");
    EXPECT_EQ(Shader->LibMaterial4Name(), "");
}

TEST_F(GLTexCombineShaderRender, AThirdTexturesMaterialThatDiesIsForgotten)
{
    TStringList script = Lines({"Tex1:=Tex0+Tex1;", "Tex2:=Tex1+Tex2;"});
    Shader->SetCombiners(&script);
    Shader->SetLibMaterial3Name("third");
    Render();
    ASSERT_EQ(Centre(), Rgb(224, 224, 224));
    delete Library->LibMaterialByName("third");
    EXPECT_EQ(Shader->LibMaterial3Name(), "third");
    // Drawn without it; the shader's clean-up later leaves no user behind.
    Render();
    EXPECT_EQ(Centre(), Rgb(192, 192, 192));
}

} // namespace
