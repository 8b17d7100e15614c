// Rendering contexts and handles on Mesa: the service context started by the module's initialisation,
// p-buffer contexts sharing objects with it, a context rendering on a second thread, GLSL programs, and the
// objects of a destroyed context.
#include "GLContext.h"

#include "GLState.h"
#include "Raises.h"
#include "RealGLTestContext.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <thread>

using ::testing::StartsWith;

namespace {

class GLContextRealGLTest : public RealGLTestContext {
protected:
    void TearDown() override
    {
        for (TGLContext* context : FContexts) Free(context);
    }
    // A 4 x 4 p-buffer context.
    TGLContext* MakeContext()
    {
        TGLContext* context = vGLContextManager->CreateContext();
        FContexts.push_back(context);
        context->CreateMemoryContext(nullptr, 4, 4, 1);
        return context;
    }
    std::vector<TGLContext*> FContexts;
};

GLuint LiveTexture(GLuint AName)
{
    return GetCurrentGL()->IsTexture(AName);
}

std::array<GLubyte, 4> PixelAt(int32_t x, int32_t y)
{
    std::array<GLubyte, 4> pixel{};
    GetCurrentGL()->ReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel;
}

void ClearTo(float r, float g, float b)
{
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    gl->ClearColor(r, g, b, 1);
    gl->Clear(GL_COLOR_BUFFER_BIT);
}

TEST_F(GLContextRealGLTest, ServiceContextSharesWithEveryNewContext)
{
    TGLContext* service = GetServiceContext();
    ASSERT_NE(service, nullptr);
    ASSERT_TRUE(service->IsValid());

    // A texture made by a task on the service thread.
    GLuint texture = 0;
    TGLContext* currentInTask = nullptr;
    std::thread::id taskThread;
    AddTaskForServiceContext([&] {
        currentInTask = GetCurrentGLContext();
        taskThread = std::this_thread::get_id();
        TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
        gl->GenTextures(1, &texture);
        gl->BindTexture(GL_TEXTURE_2D, texture);
        const GLubyte texel[4] = {255, 0, 0, 255};
        gl->TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        gl->Finish();
    });
    EXPECT_EQ(currentInTask, service);
    EXPECT_NE(taskThread, std::this_thread::get_id());
    ASSERT_NE(texture, 0u);

    TGLContext* context = MakeContext();
    EXPECT_TRUE(context->SharesWith(service));
    EXPECT_TRUE(service->SharesWith(context));
    context->Activate();
    EXPECT_TRUE(LiveTexture(texture));
    ClearTo(0, 0, 1);
    EXPECT_EQ(PixelAt(0, 0), (std::array<GLubyte, 4>{0, 0, 255, 255}));
    GetCurrentGL()->DeleteTextures(1, &texture);
    context->Deactivate();
}

TEST_F(GLContextRealGLTest, DisplayListOfOneContextDrawsInAnother)
{
    TGLContext* maker = MakeContext();
    TGLContext* user = MakeContext();
    auto* list = new TGLListHandle();
    maker->Activate();
    const uint32_t name = list->AllocateHandle();
    list->NewList(GL_COMPILE);
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    gl->Color3f(0, 1, 0);
    gl->Begin_(GL_QUADS);
    gl->Vertex2f(-1, -1);
    gl->Vertex2f(1, -1);
    gl->Vertex2f(1, 1);
    gl->Vertex2f(-1, 1);
    gl->End_();
    list->EndList();
    list->NotifyDataUpdated();
    maker->Deactivate();

    user->Activate();
    EXPECT_EQ(list->AllocateHandle(), name); // the group's object, not a new one
    EXPECT_FALSE(list->IsDataNeedUpdate());
    ClearTo(0, 0, 0);
    list->CallList();
    EXPECT_EQ(PixelAt(2, 2), (std::array<GLubyte, 4>{0, 255, 0, 255}));
    user->Deactivate();
    Free(list);
}

TEST_F(GLContextRealGLTest, ContextRendersOnASecondThread)
{
    TGLContext* context = MakeContext();
    std::array<GLubyte, 4> pixel{};
    TGLContext* currentThere = nullptr;
    std::thread([&] {
        context->Activate();
        currentThere = GetCurrentGLContext();
        ClearTo(1, 0, 0);
        pixel = PixelAt(1, 1);
        context->Deactivate();
    }).join();
    EXPECT_EQ(currentThere, context);
    EXPECT_EQ(pixel, (std::array<GLubyte, 4>{255, 0, 0, 255}));
    EXPECT_EQ(GetCurrentGLContext(), nullptr);
}

TEST_F(GLContextRealGLTest, ProgramCompilesLinksAndKnowsItsUniforms)
{
    TGLContext* context = MakeContext();
    context->Activate();
    auto* program = TGLContextHandle::CreateAndAllocate<TGLProgramHandle>();
    program->AddShader(&CreateGLShaderHandleOf<TGLVertexShaderHandle>,
                       "#version 120\nvoid main() { gl_Position = ftransform(); }");
    program->AddShader(&CreateGLShaderHandleOf<TGLFragmentShaderHandle>,
                       "#version 120\nuniform vec4 tint;\nvoid main() { gl_FragColor = tint; }");
    ASSERT_TRUE(program->LinkProgram()) << program->InfoLog();
    EXPECT_TRUE(program->ValidateProgram());
    EXPECT_GE(program->GetUniformLocation("tint"), 0);
    EXPECT_THAT(MessageOf<EAssertionFailed>([&] { program->GetUniformLocation("missing"); }),
                StartsWith("Unknown uniform \"missing\" for \"DefaultShaderName\" or program not in use ("));
    program->UseProgramObject();
    EXPECT_EQ(context->GLStates()->CurrentProgram(), program->Handle());
    program->SetUniform4f("tint", TVector4f{{{0.25f, 0.5f, 0.75f, 1}}});
    const TVector4f tint = program->Uniform4f("tint");
    EXPECT_FLOAT_EQ(tint.Y, 0.5f);
    program->EndUseProgramObject();

    EXPECT_THAT(MessageOf<EGLShader>([&] {
                    program->AddShader(&CreateGLShaderHandleOf<TGLFragmentShaderHandle>, "void main() { oops }");
                }),
                StartsWith("DefaultShaderName (TGLFragmentShaderHandle): \r\n"));
    Free(program);
    context->Deactivate();
}

TEST_F(GLContextRealGLTest, ObjectsGoWithTheLastContextThatHoldsThem)
{
    TGLContext* holder = MakeContext();
    TGLContext* witness = MakeContext();
    auto* texture = new TGLTextureHandle();
    holder->Activate();
    const uint32_t name = texture->AllocateHandle();
    holder->GLStates()->SetTextureBinding(0, ttTexture2D, name); // a name becomes a texture when bound
    holder->Deactivate();
    witness->Activate();
    EXPECT_TRUE(LiveTexture(name)); // the group sees it, though the witness holds no record
    witness->Deactivate();

    holder->DestroyContext();
    EXPECT_FALSE(texture->IsAllocatedForContext(holder));
    witness->Activate();
    EXPECT_FALSE(LiveTexture(name));
    witness->Deactivate();
    Free(texture);
}

} // namespace
