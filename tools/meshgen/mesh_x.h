// The mesh generator: the meshes of the resource module and the demo scene, built from a few parameters
// and written as text X files (a Mesh with MeshTextureCoords; the program computes the normals itself).
//
//   body    the butterfly's body: a closed spindle along +z (head at +z), wound so that its outside faces
//           the viewer with the program's culling in picture space (y down)
//   wing    one flat wing in the y = 0 plane from the hinge at x = 0 to x = +span, chord along z
//   face    the clock face: a flat square, x and z in -50..50, texture up along +z
//   leaf    a leaf gently folded along its midrib, x across and z along, about 100 units long
#pragma once

#include <string>
#include <vector>

struct MeshVertex {
  float x, y, z;
  float u, v;
};

struct GeneratedMesh {
  std::vector<MeshVertex> vertices;
  std::vector<unsigned> indices;  // triangle list
};

// Throws std::invalid_argument for an unknown kind.
GeneratedMesh BuildMesh(const std::string& kind);
std::vector<std::string> MeshKinds();

// (B - A) x (C - A) of triangle t (three indices from 3t).
void TriangleCross(const GeneratedMesh& mesh, size_t t, float out[3]);
// Orders every triangle so that its cross product points away from `outward` as seen from the interior
// point centre (the body's rule: an outside face has (B - A) x (C - A) . n_out < 0).
void WindAgainstOutside(GeneratedMesh& mesh, const float centre[3]);

// "xof 0303txt 0032", then the Mesh with its texture coordinates.
std::string WriteTextX(const GeneratedMesh& mesh);
