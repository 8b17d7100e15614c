#include "DemoMeshes.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

struct TPoint {
    double x, y, z;
};

TPoint operator+(TPoint a, TPoint b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
TPoint operator-(TPoint a, TPoint b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
TPoint operator*(double k, TPoint a) { return {k * a.x, k * a.y, k * a.z}; }
double Dot(TPoint a, TPoint b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
TPoint Cross(TPoint a, TPoint b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
TPoint Unit(TPoint a)
{
    const double length = std::sqrt(Dot(a, a));
    return length > 0 ? (1 / length) * a : a;
}

// A cell is 20 units wide: a texture spans one cell.
constexpr double cCell = 20;

// How a face takes its texture: at the world's scale (one picture a cell, so neighbouring pieces match), or
// stretched once over the face (a door leaf's whole picture).
enum TUv { uvWorld, uvStretch };

// An OBJ file being built: numbers with at most four decimals, so the text is the same on every run.
class TObjMesh {
public:
    explicit TObjMesh(const std::string& comment) : FText("# " + comment + "\n") {}

    // A flat polygon, its corners counter-clockwise seen from outside, with a texture coordinate each.
    void Polygon(const std::vector<TPoint>& corners, const std::vector<std::pair<double, double>>& uvs)
    {
        const TPoint normal = Unit(Cross(corners[1] - corners[0], corners[2] - corners[0]));
        FText += "vn " + Numbers({normal.x, normal.y, normal.z}) + "\n";
        const int n = ++FNormals;
        std::string face = "f";
        for (std::size_t i = 0; i < corners.size(); ++i) {
            FText += "v " + Numbers({corners[i].x, corners[i].y, corners[i].z}) + "\n";
            FText += "vt " + Numbers({uvs[i].first, uvs[i].second}) + "\n";
            ++FVertices;
            face += " " + std::to_string(FVertices) + "/" + std::to_string(FVertices) + "/" + std::to_string(n);
        }
        FFaces += face + "\n";
    }

    // A box from lo to hi, its six faces outward.
    void Box(TPoint lo, TPoint hi, TUv uv = uvWorld)
    {
        // Each face by its normal axis and side, with the directions u and v run along (u x v is the normal).
        struct TFace {
            TPoint normal, u, v;
        };
        static const TFace faces[] = {
            {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}},
            {{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
            {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}},
        };
        const TPoint centre = 0.5 * (lo + hi), half = 0.5 * (hi - lo);
        for (const TFace& face : faces) {
            const TPoint middle = centre + TPoint{face.normal.x * half.x, face.normal.y * half.y,
                                                  face.normal.z * half.z};
            const double hu = std::abs(Dot(face.u, half)), hv = std::abs(Dot(face.v, half));
            std::vector<TPoint> corners;
            std::vector<std::pair<double, double>> uvs;
            for (const auto& [s, t] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
                const TPoint corner = middle + (s * hu) * face.u + (t * hv) * face.v;
                corners.push_back(corner);
                if (uv == uvStretch) uvs.emplace_back((s + 1) / 2.0, (t + 1) / 2.0);
                else uvs.emplace_back(Dot(face.u, corner) / cCell + 0.5, Dot(face.v, corner) / cCell + 0.5);
            }
            Polygon(corners, uvs);
        }
    }

    // An upright prism of sides faces around (cx, cy) from z0 (radius r0) to z1 (radius r1), with its caps.
    void Prism(double cx, double cy, int sides, double r0, double r1, double z0, double z1)
    {
        std::vector<TPoint> bottom, top;
        for (int i = 0; i < sides; ++i) {
            const double angle = 2 * std::numbers::pi * (i + 0.5) / sides;
            bottom.push_back({cx + r0 * std::cos(angle), cy + r0 * std::sin(angle), z0});
            top.push_back({cx + r1 * std::cos(angle), cy + r1 * std::sin(angle), z1});
        }
        for (int i = 0; i < sides; ++i) {
            const int next = (i + 1) % sides;
            const double u0 = double(i) / sides * 2, u1 = double(i + 1) / sides * 2;
            Polygon({bottom[i], bottom[next], top[next], top[i]},
                    {{u0, z0 / cCell}, {u1, z0 / cCell}, {u1, z1 / cCell}, {u0, z1 / cCell}});
        }
        const auto cap = [](const std::vector<TPoint>& ring) {
            std::vector<std::pair<double, double>> uvs;
            for (const TPoint& p : ring) uvs.emplace_back(p.x / cCell + 0.5, p.y / cCell + 0.5);
            return uvs;
        };
        Polygon(top, cap(top));
        const std::vector<TPoint> under(bottom.rbegin(), bottom.rend());
        Polygon(under, cap(under));
    }

    std::string Text() const { return FText + FFaces; }

private:
    static std::string Numbers(std::initializer_list<double> values)
    {
        std::string text;
        for (double value : values) {
            if (std::abs(value) < 5e-5) value = 0; // no "-0"
            char digits[32];
            const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 4).ptr;
            std::string number(digits, end);
            while (number.back() == '0') number.pop_back();
            if (number.back() == '.') number.pop_back();
            text += (text.empty() ? "" : " ") + number;
        }
        return text;
    }

    std::string FText, FFaces;
    int FVertices = 0, FNormals = 0;
};

// Two posts and a lintel around an opening 10 units wide, depth units thick: a door's frame, an archway.
void Frame(TObjMesh& mesh, double depth)
{
    mesh.Box({-10, -depth / 2, -10}, {-5, depth / 2, 10});
    mesh.Box({5, -depth / 2, -10}, {10, depth / 2, 10});
    mesh.Box({-5, -depth / 2, 6}, {5, depth / 2, 10});
}

struct TMesh {
    const char* name;
    const char* comment;
    void (*build)(TObjMesh&);
};

// Meshes the cells are built of are centred on the origin (the game places them at the cell's middle, 10 up);
// free meshes stand on the origin, since a level places them by their foot.
const TMesh cMeshes[] = {
    {"m_wall", "wall block", [](TObjMesh& m) { m.Box({-10, -10, -10}, {10, 10, 10}); }},
    {"m_floor", "floor tile",
     [](TObjMesh& m) { m.Polygon({{-10, -10, 0}, {10, -10, 0}, {10, 10, 0}, {-10, 10, 0}},
                                 {{0, 0}, {1, 0}, {1, 1}, {0, 1}}); }},
    {"m_dais", "raised floor tile, 4 units high", [](TObjMesh& m) { m.Box({-10, -10, 0}, {10, 10, 4}); }},
    {"m_door", "door filling its cell", [](TObjMesh& m) { m.Box({-10, -10, -10}, {10, 10, 10}, uvStretch); }},
    {"m_door_0_c", "closed door of wall set 0: a leaf in its frame across the cell",
     [](TObjMesh& m) { m.Box({-10, -2, -10}, {10, 2, 10}, uvStretch); }},
    {"m_door_0_o", "open door of wall set 0: the frame, the leaf swung back against it",
     [](TObjMesh& m) {
         Frame(m, 4);
         m.Box({-5, 2, -10}, {-3.5, 12, 6}, uvStretch);
     }},
    {"m_arch", "archway over a passable cell", [](TObjMesh& m) { Frame(m, 6); }},
    {"m_column", "column standing in a wall's cell",
     [](TObjMesh& m) {
         m.Box({-8, -8, -10}, {8, 8, -8});
         m.Prism(0, 0, 8, 6, 6, -8, 8);
         m.Box({-8, -8, 8}, {8, 8, 10});
     }},
    {"m_slab", "thin wall, a third of a cell thick", [](TObjMesh& m) { m.Box({-10, -3, -10}, {10, 3, 10}); }},
    {"pillar", "pillar",
     [](TObjMesh& m) {
         m.Box({-4, -4, 0}, {4, 4, 2});
         m.Prism(0, 0, 8, 2.5, 2.2, 2, 18);
         m.Box({-4, -4, 18}, {4, 4, 20});
     }},
    {"gate", "portcullis of eight bars and two cross bars",
     [](TObjMesh& m) {
         for (int bar = 0; bar < 8; ++bar) {
             const double x = -8.75 + bar * 2.5;
             m.Box({x - 0.5, -0.5, 0}, {x + 0.5, 0.5, 19});
         }
         for (const double z : {4.0, 13.0}) m.Box({-9.5, -0.7, z - 0.6}, {9.5, 0.7, z + 0.6});
     }},
    {"brazier", "brazier: a foot, a stem and a bowl for the fire",
     [](TObjMesh& m) {
         m.Prism(0, 0, 8, 3, 2.5, 0, 1);
         m.Prism(0, 0, 6, 0.8, 0.8, 1, 9);
         m.Prism(0, 0, 8, 1.5, 4, 9, 12);
     }},
    {"crate", "crate", [](TObjMesh& m) { m.Box({-4, -4, 0}, {4, 4, 8}, uvStretch); }},
    {"obelisk", "obelisk on a plinth",
     [](TObjMesh& m) {
         m.Box({-5, -5, 0}, {5, 5, 2});
         m.Prism(0, 0, 4, 3.5, 2, 2, 16);
         m.Prism(0, 0, 4, 2, 0.05, 16, 19);
     }},
};

// Free meshes whose material is named by a ".red" file instead of their own picture.
const std::pair<const char*, const char*> cRedirects[] = {{"crate", "etex_0_4"}};

} // namespace

void WriteMeshes(TDemoOutput& output)
{
    for (const TMesh& mesh : cMeshes) {
        TObjMesh obj(mesh.comment);
        mesh.build(obj);
        output.Publish(std::string("meshes/") + mesh.name + ".obj", obj.Text());
    }
    for (const auto& [mesh, material] : cRedirects)
        output.Publish(std::string("meshes/") + mesh + ".red", LinesText({material}));
}
