#include "meshgen/mesh_x.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <utility>

namespace {

const float kPi = 3.14159265358979f;

// A grid of (cols + 1) x (rows + 1) vertices over s, t in 0..1, two triangles a cell.
GeneratedMesh Grid(int cols, int rows, const std::function<MeshVertex(float s, float t)>& at) {
  GeneratedMesh m;
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= cols; ++i) m.vertices.push_back(at(static_cast<float>(i) / cols, static_cast<float>(j) / rows));
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < cols; ++i) {
      const unsigned a = j * (cols + 1) + i, b = a + 1, c = a + cols + 1, d = c + 1;
      m.indices.insert(m.indices.end(), {a, b, c, c, b, d});
    }
  return m;
}

// A spindle around the z axis, t from tail (0) to head (1) over its length: rings of vertices between
// one point at each end, so that no face is degenerate (D3DX rejects a mesh with zero-area faces).
GeneratedMesh Body() {
  const float length = 40.0f, tail = -18.0f;
  const int around = 12, rings = 15;
  GeneratedMesh m;
  m.vertices.push_back(MeshVertex{0, 0, tail, 0.5f, 0});
  for (int j = 1; j <= rings; ++j) {
    const float t = static_cast<float>(j) / (rings + 1);
    const float r = 3.2f * std::pow(std::sin(t * kPi), 0.7f);
    for (int i = 0; i <= around; ++i) {
      const float s = static_cast<float>(i) / around, a = s * 2 * kPi;
      m.vertices.push_back(MeshVertex{r * std::cos(a), r * std::sin(a), tail + t * length, s, t});
    }
  }
  const unsigned head = static_cast<unsigned>(m.vertices.size());
  m.vertices.push_back(MeshVertex{0, 0, tail + length, 0.5f, 1});
  auto at = [&](int ring, int i) { return static_cast<unsigned>(1 + (ring - 1) * (around + 1) + i); };
  for (int i = 0; i < around; ++i) {
    m.indices.insert(m.indices.end(), {0u, at(1, i), at(1, i + 1)});
    for (int j = 1; j < rings; ++j)
      m.indices.insert(m.indices.end(), {at(j, i), at(j, i + 1), at(j + 1, i), at(j + 1, i), at(j, i + 1), at(j + 1, i + 1)});
    m.indices.insert(m.indices.end(), {at(rings, i), at(rings, i + 1), head});
  }
  const float centre[3] = {0, 0, tail + length / 2};
  WindAgainstOutside(m, centre);
  return m;
}

GeneratedMesh Wing() {
  const float span = 36.0f, chord = 30.0f;
  return Grid(2, 2, [&](float s, float t) { return MeshVertex{s * span, 0, chord * (0.5f - t), s, t}; });
}

GeneratedMesh Face() {
  return Grid(1, 1, [](float s, float t) { return MeshVertex{-50 + 100 * s, 0, 50 - 100 * t, s, t}; });
}

GeneratedMesh Leaf() {
  return Grid(6, 8, [](float s, float t) {
    const float x = (s - 0.5f) * 70.0f;
    return MeshVertex{x, 0.12f * std::fabs(x) + 4.0f * std::sin(t * kPi), (0.5f - t) * 100.0f, s, t};
  });
}

const std::map<std::string, std::function<GeneratedMesh()>>& Kinds() {
  static const std::map<std::string, std::function<GeneratedMesh()>> kinds = {
      {"body", Body}, {"wing", Wing}, {"face", Face}, {"leaf", Leaf}};
  return kinds;
}

std::string Number(float f) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6f", static_cast<double>(f));
  return buf;
}

}  // namespace

GeneratedMesh BuildMesh(const std::string& kind) {
  auto it = Kinds().find(kind);
  if (it == Kinds().end()) throw std::invalid_argument("unknown mesh kind " + kind);
  return it->second();
}

std::vector<std::string> MeshKinds() {
  std::vector<std::string> names;
  for (const auto& k : Kinds()) names.push_back(k.first);
  return names;
}

void TriangleCross(const GeneratedMesh& m, size_t t, float out[3]) {
  const MeshVertex& a = m.vertices[m.indices[3 * t]];
  const MeshVertex& b = m.vertices[m.indices[3 * t + 1]];
  const MeshVertex& c = m.vertices[m.indices[3 * t + 2]];
  const float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
  const float e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
  out[0] = e1[1] * e2[2] - e1[2] * e2[1];
  out[1] = e1[2] * e2[0] - e1[0] * e2[2];
  out[2] = e1[0] * e2[1] - e1[1] * e2[0];
}

void WindAgainstOutside(GeneratedMesh& m, const float centre[3]) {
  for (size_t t = 0; t * 3 + 2 < m.indices.size(); ++t) {
    float n[3];
    TriangleCross(m, t, n);
    float mid[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
      const MeshVertex& v = m.vertices[m.indices[3 * t + k]];
      mid[0] += v.x / 3;
      mid[1] += v.y / 3;
      mid[2] += v.z / 3;
    }
    const float out = n[0] * (mid[0] - centre[0]) + n[1] * (mid[1] - centre[1]) + n[2] * (mid[2] - centre[2]);
    if (out > 0) std::swap(m.indices[3 * t + 1], m.indices[3 * t + 2]);
  }
}

std::string WriteTextX(const GeneratedMesh& m) {
  std::string x = "xof 0303txt 0032\n\nMesh {\n";
  x += std::to_string(m.vertices.size()) + ";\n";
  for (size_t i = 0; i < m.vertices.size(); ++i) {
    const MeshVertex& v = m.vertices[i];
    x += Number(v.x) + ";" + Number(v.y) + ";" + Number(v.z) + ";" + (i + 1 < m.vertices.size() ? ",\n" : ";\n");
  }
  const size_t faces = m.indices.size() / 3;
  x += std::to_string(faces) + ";\n";
  for (size_t f = 0; f < faces; ++f) {
    x += "3;" + std::to_string(m.indices[3 * f]) + "," + std::to_string(m.indices[3 * f + 1]) + "," +
         std::to_string(m.indices[3 * f + 2]) + ";" + (f + 1 < faces ? ",\n" : ";\n");
  }
  x += "\nMeshTextureCoords {\n" + std::to_string(m.vertices.size()) + ";\n";
  for (size_t i = 0; i < m.vertices.size(); ++i) {
    const MeshVertex& v = m.vertices[i];
    x += Number(v.u) + ";" + Number(v.v) + ";" + (i + 1 < m.vertices.size() ? ",\n" : ";\n");
  }
  x += "}\n}\n";
  return x;
}
