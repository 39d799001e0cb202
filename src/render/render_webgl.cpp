// SPDX-License-Identifier: MIT
// Rendering in a browser, where WebGL has no fixed function: the same
// picture as render.cpp draws, through two small shaders. The same
// projection and view, computed as GLU computes them; the depth test, the
// white clear and the cubes' own colours; the whole lattice in one draw,
// its quads split into two triangles each by an index buffer made once.
// The browser paces the frames, so there is no delay before the swap.
// CMake builds this file in place of render.cpp for the browser.
#include <GLES2/gl2.h>

#include <cmath>

#include "camera/camera.h"
#include "lattice/lattice.h"
#include "render/render.h"

static constexpr double PI = 3.14159265358979323846;

static constexpr int QUAD_TRIANGLE_CORNERS = 6;  // two triangles, corners 0 1 2 and 0 2 3
static constexpr int QUADS = CITY_INDEXES / QUAD_CORNERS;
static constexpr int TRIANGLE_INDEXES = QUADS * QUAD_TRIANGLE_CORNERS;
static constexpr int QUAD_SPLIT[QUAD_TRIANGLE_CORNERS] = {0, 1, 2, 0, 2, 3};

static const char *const CORNER_SHADER =
    "attribute vec3 corner;\n"
    "attribute vec3 colour;\n"
    "uniform mat4 view;\n"
    "varying vec3 tint;\n"
    "void main() {\n"
    "    tint = colour;\n"
    "    gl_Position = view * vec4(corner, 1.0);\n"
    "}\n";
static const char *const COLOUR_SHADER =
    "precision mediump float;\n"
    "varying vec3 tint;\n"
    "void main() {\n"
    "    gl_FragColor = vec4(tint, 1.0);\n"
    "}\n";

// A 4x4 matrix as GL keeps it, column by column.
using Matrix = double[16];

static struct {
    GLuint program;
    GLint view;  // the uniform
    GLuint corners, colours, triangles;
    bool indexed;  // the triangles' indexes are in their buffer
    Matrix projection;
} gl;

// out = a b
static void multiply(const Matrix a, const Matrix b, Matrix out) {
    for (int column = 0; column < 4; column++) {
        for (int row = 0; row < 4; row++) {
            double sum = 0.0;
            for (int k = 0; k < 4; k++) {
                sum += a[k * 4 + row] * b[column * 4 + k];
            }
            out[column * 4 + row] = sum;
        }
    }
}

// gluPerspective's matrix.
static void perspective(double fovy, double aspect, double near, double far, Matrix m) {
    const double radians = fovy / 2.0 * PI / 180.0;
    const double cotangent = std::cos(radians) / std::sin(radians);
    const double depth = far - near;
    for (int i = 0; i < 16; i++) {
        m[i] = 0.0;
    }
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(far + near) / depth;
    m[11] = -1.0;
    m[14] = -2.0 * near * far / depth;
}

static void normalise(double v[3]) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length != 0.0) {
        for (int i = 0; i < 3; i++) {
            v[i] /= length;
        }
    }
}

static void cross(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// gluLookAt's matrix, with up (0, 1, 0).
static void look_at(const mycam &cam, Matrix m) {
    const double eye[3] = {cam.xcam, cam.ycam, cam.zcam};
    const double up[3] = {0.0, 1.0, 0.0};
    double forward[3] = {cam.xlook - eye[0], cam.ylook - eye[1], cam.zlook - eye[2]};
    double side[3], upward[3];
    normalise(forward);
    cross(forward, up, side);
    normalise(side);
    cross(side, forward, upward);
    for (int i = 0; i < 3; i++) {
        m[i * 4 + 0] = side[i];
        m[i * 4 + 1] = upward[i];
        m[i * 4 + 2] = -forward[i];
        m[i * 4 + 3] = 0.0;
    }
    for (int row = 0; row < 3; row++) {
        m[12 + row] = -(m[row] * eye[0] + m[4 + row] * eye[1] + m[8 + row] * eye[2]);
    }
    m[15] = 1.0;
}

static GLuint shader(GLenum type, const char *source) {
    const GLuint made = glCreateShader(type);
    glShaderSource(made, 1, &source, nullptr);
    glCompileShader(made);
    return made;
}

// The quads of the index array, as triangles. The index array is filled
// once, after initGL, so this waits for the first frame.
static void index_triangles() {
    static GLuint triangles[TRIANGLE_INDEXES];
    for (int quad = 0; quad < QUADS; quad++) {
        for (int i = 0; i < QUAD_TRIANGLE_CORNERS; i++) {
            triangles[quad * QUAD_TRIANGLE_CORNERS + i] =
                city_indexes[quad * QUAD_CORNERS + QUAD_SPLIT[i]];
        }
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gl.triangles);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof triangles, triangles, GL_STATIC_DRAW);
    gl.indexed = true;
}

int initGL() {
    gl.program = glCreateProgram();
    glAttachShader(gl.program, shader(GL_VERTEX_SHADER, CORNER_SHADER));
    glAttachShader(gl.program, shader(GL_FRAGMENT_SHADER, COLOUR_SHADER));
    glBindAttribLocation(gl.program, 0, "corner");
    glBindAttribLocation(gl.program, 1, "colour");
    glLinkProgram(gl.program);
    glUseProgram(gl.program);
    gl.view = glGetUniformLocation(gl.program, "view");
    GLuint buffers[3];
    glGenBuffers(3, buffers);
    gl.corners = buffers[0];
    gl.colours = buffers[1];
    gl.triangles = buffers[2];
    glBindBuffer(GL_ARRAY_BUFFER, gl.corners);
    glBufferData(GL_ARRAY_BUFFER, sizeof city_verts, nullptr, GL_DYNAMIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, gl.colours);
    glBufferData(GL_ARRAY_BUFFER, sizeof city_colors, nullptr, GL_DYNAMIC_DRAW);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
    glClearDepthf(1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glViewport(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    glDisable(GL_DITHER);
    perspective(FIELD_OF_VIEW, ASPECT, NEAR_PLANE, FAR_PLANE, gl.projection);
    return 1;
}

int drawGLScene() {
    if (!gl.indexed) {
        index_triangles();
    }
    Matrix view, whole;
    look_at(mycamz[whichcam], view);
    multiply(gl.projection, view, whole);
    GLfloat uniform[16];
    for (int i = 0; i < 16; i++) {
        uniform[i] = static_cast<GLfloat>(whole[i]);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUniformMatrix4fv(gl.view, 1, GL_FALSE, uniform);
    glBindBuffer(GL_ARRAY_BUFFER, gl.corners);
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof city_verts, city_verts);
    glBindBuffer(GL_ARRAY_BUFFER, gl.colours);
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof city_colors, city_colors);
    glDrawElements(GL_TRIANGLES, TRIANGLE_INDEXES, GL_UNSIGNED_INT, nullptr);
    return 1;
}
