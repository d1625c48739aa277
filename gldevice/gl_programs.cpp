#include "gldevice/gl_programs.h"

namespace {

// Gouraud colours run straight across the screen as on the software device: interpolated with the
// perspective as c w and w, their quotient is linear on screen (rather than a noperspective
// attribute, which some drivers lose on triangles they clip).
//
// The contract's clip space has z in 0..w and y up with pixel centres on whole screen positions;
// GL's has z in -w..w and centres half a pixel in. The frame is drawn upside down in GL's terms,
// so that its rows read back top row first.
constexpr const char* sceneVertex = R"(layout(location = 0) in vec4 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 uv;
uniform vec2 pixel;
out vec2 texcoord;
out vec4 diffuseW;
out float w;
flat out vec4 flatDiffuse;
void main()
{
    vec4 p = position;
    gl_Position = vec4(p.x + p.w * pixel.x, p.w * pixel.y - p.y, 2.0 * p.z - p.w, p.w);
    texcoord = uv;
    diffuseW = colour * p.w;
    w = p.w;
    flatDiffuse = colour;
}
)";

// A textured primitive takes its alpha from the texture alone. The mip level is chosen as the
// software device chooses it, from the longer of the texel footprint's steps along x and y; a
// footprint that is not a number (where 1/w runs out across a quad) counts as magnified. With a
// bilinear magnification and point minification between levels (mode bit 2) the texture stays
// magnified up to a level of detail of 0.5, which drivers that switch at 0 are told as a level
// of detail of 0.
constexpr const char* sceneFragment = R"(in vec2 texcoord;
in vec4 diffuseW;
in float w;
flat in vec4 flatDiffuse;
uniform sampler2D image;
uniform int mode;
out vec4 result;
void main()
{
    vec4 d = (mode & 2) != 0 ? diffuseW / w : flatDiffuse;
    if ((mode & 1) != 0) {
        d.a = 1.0;
        vec2 size = vec2(textureSize(image, 0));
        vec2 dx = dFdx(texcoord) * size, dy = dFdy(texcoord) * size;
        float rho2 = max(dot(dx, dx), dot(dy, dy));
        float lod = rho2 > ((mode & 4) != 0 ? 2.0 : 1.0) ? 0.5 * log2(rho2) : 0.0;
        result = textureLod(image, texcoord, lod) * d;
    } else {
        result = d;
    }
}
)";

constexpr const char* textVertex = R"(layout(location = 0) in vec2 corner;
uniform vec2 scale;
void main() { gl_Position = vec4(corner * scale - 1.0, 0.0, 1.0); }
)";

constexpr const char* textFragment = R"(uniform vec4 colour;
out vec4 result;
void main() { result = colour; }
)";

#ifdef PLAYER_WEBGL
// Lines as the software device draws them, where the target's samples cannot be switched off for
// them (WebGL 2): each line a parallelogram around it, two pixels to either side along its minor
// axis, in which a pixel is drawn, with all its samples, when the line steps onto it. The line
// steps one pixel at a time along its major axis from the pixel holding its first end to the
// pixel holding its last; the minor coordinate, depth and colour come from its ends at the pixel's
// centre. Corners and ends are in the contract's screen pixels (centres on whole numbers).
constexpr const char* lineVertex = R"(layout(location = 0) in vec2 corner;
layout(location = 1) in vec4 ends;
layout(location = 2) in vec2 depths;
layout(location = 3) in vec4 colour0;
layout(location = 4) in vec4 colour1;
uniform vec2 pixel;
flat out vec4 lineEnds;
flat out vec2 lineDepths;
flat out vec4 lineColour0;
flat out vec4 lineColour1;
void main()
{
    gl_Position = vec4((corner + 0.5) * 2.0 * pixel - 1.0, 0.0, 1.0);
    lineEnds = ends;
    lineDepths = depths;
    lineColour0 = colour0;
    lineColour1 = colour1;
}
)";

constexpr const char* lineFragment = R"(flat in vec4 lineEnds;
flat in vec2 lineDepths;
flat in vec4 lineColour0;
flat in vec4 lineColour1;
out vec4 result;
void main()
{
    vec2 q = gl_FragCoord.xy - 0.5;
    vec2 a = lineEnds.xy, d = lineEnds.zw - lineEnds.xy;
    bool alongX = abs(d.x) >= abs(d.y);
    float major0 = alongX ? a.x : a.y, major1 = alongX ? lineEnds.z : lineEnds.w;
    float span = major1 - major0;
    float p = alongX ? q.x : q.y;
    float first = floor(min(major0, major1) + 0.5), last = floor(max(major0, major1) + 0.5);
    if (p < first || p > last)
        discard;
    float t = span != 0.0 ? clamp((p - major0) / span, 0.0, 1.0) : 0.0;
    float minor = alongX ? a.y + d.y * t : a.x + d.x * t;
    if (floor(minor + 0.5) != (alongX ? q.y : q.x))
        discard;
    gl_FragDepth = lineDepths.x + (lineDepths.y - lineDepths.x) * t;
    result = lineColour0 + (lineColour1 - lineColour0) * t;
}
)";
#endif

GLuint compile(GLenum kind, const char* source)
{
    GLuint shader = glCreateShader(kind);
    const char* parts[2] = {glShaderPrefix, source};
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint link(const char* vertexSource, const char* fragmentSource)
{
    GLuint vertex = compile(GL_VERTEX_SHADER, vertexSource);
    GLuint fragment = compile(GL_FRAGMENT_SHADER, fragmentSource);
    GLuint program = 0;
    if (vertex && fragment) {
        program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        GLint ok = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            glDeleteProgram(program);
            program = 0;
        }
    }
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    return program;
}

}  // namespace

GlPrograms::~GlPrograms()
{
    glDeleteProgram(scene);
    glDeleteProgram(text);
    glDeleteProgram(line);
}

bool make_programs(GlPrograms& programs)
{
    programs.scene = link(sceneVertex, sceneFragment);
    programs.text = link(textVertex, textFragment);
    if (!programs.scene || !programs.text)
        return false;
#ifdef PLAYER_WEBGL
    programs.line = link(lineVertex, lineFragment);
    if (!programs.line)
        return false;
    programs.linePixel = glGetUniformLocation(programs.line, "pixel");
#endif
    programs.sceneMode = glGetUniformLocation(programs.scene, "mode");
    programs.scenePixel = glGetUniformLocation(programs.scene, "pixel");
    programs.textScale = glGetUniformLocation(programs.text, "scale");
    programs.textColour = glGetUniformLocation(programs.text, "colour");
    glUseProgram(programs.scene);
    glUniform1i(glGetUniformLocation(programs.scene, "image"), 0);
    return true;
}
