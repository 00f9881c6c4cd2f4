#include "bench/compare/alternatives.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <cairo.h>

#include <stdexcept>
#include <vector>

namespace quelm_compare {

using quelm_bench::RecordedFrame;
using quelm_bench::SurfaceCall;

namespace {

// A screen point names a pixel's centre; both libraries put pixel centres
// at half-integers.
constexpr double kCentre = 0.5;

bool Drawable(const SurfaceCall &call) { return call.filled >= 3; }

}  // namespace

struct CairoFill::State {
    const RecordedFrame *frame;
    cairo_surface_t *surface;
    cairo_t *cr;
};

CairoFill::CairoFill(const RecordedFrame &frame) : state_(std::make_unique<State>()) {
    state_->frame = &frame;
    state_->surface = cairo_image_surface_create(CAIRO_FORMAT_A8, frame.width, frame.height);
    state_->cr = cairo_create(state_->surface);
    if (cairo_status(state_->cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(state_->cr);
        cairo_surface_destroy(state_->surface);
        throw std::runtime_error("cairo: no image surface");
    }
    cairo_set_antialias(state_->cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(state_->cr, CAIRO_OPERATOR_SOURCE);
}

CairoFill::~CairoFill() {
    cairo_destroy(state_->cr);
    cairo_surface_destroy(state_->surface);
}

void CairoFill::Draw() {
    cairo_t *cr = state_->cr;
    for (const SurfaceCall &call : state_->frame->calls) {
        if (!Drawable(call)) continue;
        cairo_new_path(cr);
        cairo_move_to(cr, call.fill[0].x + kCentre, call.fill[0].y + kCentre);
        for (int32_t i = 1; i < call.filled; ++i)
            cairo_line_to(cr, call.fill[i].x + kCentre, call.fill[i].y + kCentre);
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, (call.request.pic & 0xFF) / 255.0);
        cairo_fill(cr);
    }
    cairo_surface_flush(state_->surface);
}

namespace {

struct Vertex {
    GLfloat x, y;
    GLubyte rgba[4];
};

void Corner(std::vector<Vertex> &out, const sSPOINT &p, GLubyte index) {
    out.push_back({GLfloat(p.x + kCentre), GLfloat(p.y + kCentre), {index, index, index, 255}});
}

// Each convex polygon as a fan of triangles from its first corner.
std::vector<Vertex> Triangles(const RecordedFrame &frame) {
    std::vector<Vertex> out;
    for (const SurfaceCall &call : frame.calls) {
        if (!Drawable(call)) continue;
        const auto index = static_cast<GLubyte>(call.request.pic & 0xFF);
        for (int32_t i = 1; i + 1 < call.filled; ++i) {
            Corner(out, call.fill[0], index);
            Corner(out, call.fill[i], index);
            Corner(out, call.fill[i + 1], index);
        }
    }
    return out;
}

}  // namespace

struct MesaFill::State {
    OSMesaContext context;
    std::vector<GLubyte> buffer;
    GLuint vbo;
    GLsizei vertices;
};

MesaFill::MesaFill(const RecordedFrame &frame) : state_(std::make_unique<State>()) {
    State &s = *state_;
    s.context = OSMesaCreateContextExt(OSMESA_RGBA, 0, 0, 0, nullptr);
    if (s.context == nullptr) throw std::runtime_error("OSMesa: no context");
    s.buffer.resize(size_t(frame.width) * size_t(frame.height) * 4);
    if (!OSMesaMakeCurrent(s.context, s.buffer.data(), GL_UNSIGNED_BYTE, frame.width,
                           frame.height)) {
        OSMesaDestroyContext(s.context);
        throw std::runtime_error("OSMesa: the buffer cannot be bound");
    }
    glViewport(0, 0, frame.width, frame.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, frame.width, frame.height, 0, -1, 1);  // y down, as the screen points
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_DITHER);
    glShadeModel(GL_FLAT);

    const std::vector<Vertex> triangles = Triangles(frame);
    s.vertices = GLsizei(triangles.size());
    glGenBuffers(1, &s.vbo);
    glBindBuffer(GL_ARRAY_BUFFER, s.vbo);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(triangles.size() * sizeof(Vertex)),
                 triangles.data(), GL_STATIC_DRAW);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void *>(0));
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex),
                   reinterpret_cast<const void *>(offsetof(Vertex, rgba)));
    glFinish();
}

MesaFill::~MesaFill() {
    glDeleteBuffers(1, &state_->vbo);
    OSMesaDestroyContext(state_->context);
}

void MesaFill::Draw() {
    glDrawArrays(GL_TRIANGLES, 0, state_->vertices);
    glFinish();
}

}  // namespace quelm_compare
