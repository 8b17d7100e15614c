// GLSL shaders on Mesa: programs with uniforms and textures drawn over a small off-screen view, passes, the
// failed-initialisation rules, streaming and copying of sources.
#include "GLSLShader.h"

#include "ComponentStreams.h"
#include "GLContext.h"
#include "GLState.h"
#include "Raises.h"
#include "StringLists.h"
#include "../gl/RealGLTestContext.h"
#include "../images/TextureTestUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

constexpr int32_t cSide = 8;

const char* const cVertex = "void main() { gl_Position = gl_Vertex; }";
const char* const cColourFragment = "uniform vec4 colour;\nvoid main() { gl_FragColor = colour; }";

using TPixel = std::array<int, 3>;

class GLSLShader : public RealGLCurrentContext {
protected:
    GLSLShader() : RealGLCurrentContext(cSide, cSide) {}

    static TGLExtensionsAndEntryPoints& GL() { return *GetCurrentGL(); }

    static void SetSources(TGLCustomShader& shader, const std::string& vertex, const std::string& fragment)
    {
        if (!vertex.empty()) shader.VertexProgram()->Code()->SetText(vertex);
        if (!fragment.empty()) shader.FragmentProgram()->Code()->SetText(fragment);
    }

    // A quad over the whole view through the shader, drawn as often as it asks; answers the passes drawn.
    int Draw(TGLShader& shader)
    {
        int passes = 0;
        shader.Apply(rci, nullptr);
        do {
            ++passes;
            GL().Begin_(GL_QUADS);
            GL().Vertex2f(-1, -1);
            GL().Vertex2f(1, -1);
            GL().Vertex2f(1, 1);
            GL().Vertex2f(-1, 1);
            GL().End_();
        } while (shader.UnApply(rci));
        return passes;
    }

    TPixel Pixel()
    {
        uint8_t rgba[4] = {};
        GL().Finish();
        GL().ReadPixels(cSide / 2, cSide / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }
};

TEST_F(GLSLShader, UniformsDrawAndExtraPassesKeepTheProgram)
{
    TGLSLShader shader(nullptr);
    SetSources(shader, cVertex, cColourFragment);
    shader.OnApply = [](TGLCustomGLSLShader* s) { s->Param("colour")->SetAsVectorF({0.2f, 0.4f, 0.8f, 1}); };
    int unApplies = 0;
    std::vector<uint32_t> programInUse;
    shader.OnUnApply = [&](TGLCustomGLSLShader*, bool& more) {
        more = ++unApplies < 3;
        programInUse.push_back(rci.GLStates->CurrentProgram());
    };

    EXPECT_EQ(Draw(shader), 3);
    EXPECT_EQ(Pixel(), (TPixel{51, 102, 204}));
    const uint32_t program = shader.GetGLSLProg()->Handle();
    EXPECT_NE(program, 0u);
    EXPECT_EQ(programInUse, std::vector<uint32_t>(3, program));
    EXPECT_EQ(rci.GLStates->CurrentProgram(), 0u) << "the last unapply ends the program";
    EXPECT_TRUE(shader.Enabled());

    // One parameter object serves every uniform; it reads back what was written.
    TGLSLShaderParameter* colour = shader.Param("colour");
    EXPECT_FLOAT_EQ(colour->GetAsVector4f().Z, 0.8f);
    EXPECT_EQ(shader.DirectParam(7), colour);
    EXPECT_EQ(colour->ParameterID(), 7);
    for (const auto& values : {std::initializer_list<float>{}, std::initializer_list<float>{1, 2, 3, 4, 5}})
        EXPECT_EQ(MessageOf<EAssertionFailed>([&] { colour->SetAsVectorF(values); }),
                  "Vector length must be between 1 to 4 (VAVodad\\Source\\GLCustomShader, line 795)");
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { colour->SetAsVectorI({}); }),
              "Vector length must be between 1 to 4 (VAVodad\\Source\\GLCustomShader, line 807)");
}

TEST_F(GLSLShader, FailedInitialisationFollowsDebugMode)
{
    TGLSLShader modes(nullptr);
    modes.SetFailedInitAction(fiaSilentDisable);
    modes.SetDebugMode(true);
    EXPECT_EQ(modes.FailedInitAction(), fiaReRaiseException);
    modes.SetFailedInitAction(fiaSilentDisable);
    modes.SetDebugMode(false);
    EXPECT_EQ(modes.FailedInitAction(), fiaRaiseStandardException);

    struct TCase {
        const char* what;
        const char* fragment;
        bool debugMode;
        TGLShaderFailedInitAction action;
        std::string expected; // "" when the message is the driver's
    };
    const TCase cases[] = {
        {"broken source, debug mode", "void main() { gl_FragColor = nonsense; }", true, fiaReRaiseException, ""},
        {"broken source", "void main() { gl_FragColor = nonsense; }", false, fiaRaiseStandardException,
         "Your hardware/driver doesn't support shader \"Broken\"!"},
        {"no source: validation decides", "", false, fiaSilentDisable, cNoException},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TGLSLShader shader(nullptr);
        shader.SetName("Broken");
        SetSources(shader, c.fragment[0] ? cVertex : "", c.fragment);
        shader.SetDebugMode(c.debugMode);
        shader.SetFailedInitAction(c.action);
        const std::string message = MessageOf<EGLShaderException>([&] { Draw(shader); });
        if (c.expected.empty())
            EXPECT_NE(message.find("Broken (TGLFragmentShaderHandle)"), std::string::npos) << message;
        else
            EXPECT_EQ(message, c.expected);
        EXPECT_FALSE(shader.Enabled());
        EXPECT_FALSE(shader.ShaderActive());
    }
}

TEST_F(GLSLShader, SetTexCountsUnitsFromZeroEachApply)
{
    TGLMaterialLibrary library(nullptr);
    const auto picture = [&](const char* name, uint32_t rgb) {
        auto bitmap = MakeBitmap(4, 4, rgb, rgb);
        return library.AddTextureMaterial(name, bitmap.get());
    };
    TGLLibMaterial* red = picture("red", 0xFF0000);
    TGLLibMaterial* green = picture("green", 0x00FF00);
    TGLSLShader shader(nullptr);
    SetSources(shader, cVertex,
               "uniform sampler2D first; uniform sampler2D second;\n"
               "void main() { gl_FragColor = texture2D(first, vec2(0.5)) + texture2D(second, vec2(0.5)); }");
    shader.OnApply = [&](TGLCustomGLSLShader* s) {
        s->SetTex("first", red);
        s->SetTex("second", green);
    };
    for (int apply = 0; apply < 2; ++apply) {
        SCOPED_TRACE(apply);
        Draw(shader);
        EXPECT_EQ(Pixel(), (TPixel{255, 255, 0}));
        EXPECT_EQ(shader.Param("first")->GetAsVector1i(), 0);
        EXPECT_EQ(shader.Param("second")->GetAsCustomTexture(0, ttTexture2D), 1u);
        EXPECT_EQ(rci.GLStates->TextureBinding(0, ttTexture2D), red->Material()->Texture()->Handle());
        EXPECT_EQ(rci.GLStates->TextureBinding(1, ttTexture2D), green->Material()->Texture()->Handle());
    }
    rci.GLStates->SetActiveTexture(0);
}

TEST_F(GLSLShader, CopiedSourcesCompileIntoANewProgram)
{
    TGLSLShader source(nullptr);
    SetSources(source, cVertex, "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }");
    TGLSLShader shader(nullptr);
    SetSources(shader, cVertex, cColourFragment);
    shader.OnApply = [](TGLCustomGLSLShader* s) { s->Param("colour")->SetAsVectorF({1, 0, 0, 1}); };
    Draw(shader);
    EXPECT_EQ(Pixel(), (TPixel{255, 0, 0}));

    shader.OnApply = nullptr;
    shader.Assign(&source); // the empty geometry program stays disabled
    Draw(shader);
    EXPECT_EQ(Pixel(), (TPixel{0, 255, 0}));
}

TEST_F(GLSLShader, ActiveAttributesReportTheirLocations)
{
    TGLSLShader shader(nullptr);
    SetSources(shader, "attribute vec3 offset; attribute float weight;\n"
                       "void main() { gl_Position = gl_Vertex + vec4(offset * weight, 0.0); }",
               "void main() { gl_FragColor = vec4(1.0); }");
    const TGLActiveAttribArray attribs = shader.GetActiveAttribs();
    ASSERT_GE(attribs.size(), 2u);
    for (const TGLActiveAttrib& a : attribs) {
        SCOPED_TRACE(a.Name);
        EXPECT_EQ(a.Location, GL().GetAttribLocation(shader.GetGLSLProg()->Handle(), a.Name.c_str()));
        if (a.Name == "offset") {
            EXPECT_EQ(a.AType, GLSLType3F);
        }
        if (a.Name == "weight") {
            EXPECT_EQ(a.AType, GLSLType1F);
        }
    }
}

TEST(GLSLShaderStream, StoredCodeEnablesItsProgram)
{
    TGLSLShader source(nullptr);
    source.FragmentProgram()->Code()->SetText("void main() {}\n");
    source.FragmentProgram()->SetEnabled(false); // stored without Enabled
    source.SetDebugMode(true);
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(&source);
    const std::string bytes(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
    EXPECT_EQ(bytes.find("VertexProgram"), std::string::npos) << "a program without code is not stored";

    stream.SetPosition(0);
    TGLSLShader target(nullptr);
    TReader(stream).ReadRootComponent(&target);
    EXPECT_TRUE(target.FragmentProgram()->Enabled());
    EXPECT_EQ(target.FragmentProgram()->Code()->Text(), "void main() {}\r\n");
    EXPECT_FALSE(target.VertexProgram()->Enabled());
    EXPECT_EQ(target.FailedInitAction(), fiaReRaiseException);
}

} // namespace
