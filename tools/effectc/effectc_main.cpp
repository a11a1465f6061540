// effectc: compiles one effect source (.fx) into the compiled-effect binary that D3DXCreateEffect loads.
//   effectc --compiler <vkd3d-compiler> <in.fx> <out.fxo>
// A source error prints file:line:column: message and exits with 1, writing nothing.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "effectc/effect_source.h"
#include "effectc/effect_writer.h"
#include "effectc/shader_compiler.h"

int main(int argc, char** argv) {
  std::string compiler, in, out;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--compiler" && i + 1 < argc) compiler = argv[++i];
    else if (in.empty()) in = a;
    else if (out.empty()) out = a;
    else in.clear(), i = argc;
  }
  if (compiler.empty() || in.empty() || out.empty()) {
    std::cerr << "usage: effectc --compiler <vkd3d-compiler> <in.fx> <out.fxo>\n";
    return 2;
  }
  std::ifstream f(in, std::ios::binary);
  if (!f) {
    std::cerr << in << ": cannot read\n";
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());

  effectc::ParsedEffect parsed;
  try {
    parsed = effectc::ParseEffectSource(text);
  } catch (const effectc::SourceError& e) {
    std::cerr << in << ":" << e.line << ":" << e.column << ": error: " << e.what() << "\n";
    return 1;
  }
  for (const effectc::ShaderJob& job : parsed.shaders) {
    effectc::ShaderResult r = effectc::CompileShader(compiler, parsed.shader_source, in, job.profile, job.entry);
    if (!r.ok) {
      std::cerr << in << ":" << job.line << ":" << job.column << ": error: " << job.entry << " does not compile as "
                << job.profile << "\n"
                << r.messages;
      return 1;
    }
    parsed.effect.techniques[job.technique].passes[job.pass].states[job.state].value.shader = r.bytecode;
  }
  const std::vector<uint8_t> bytes = effectc::WriteEffect(parsed.effect);
  std::ofstream o(out, std::ios::binary);
  o.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!o) {
    std::cerr << out << ": cannot write\n";
    std::remove(out.c_str());
    return 1;
  }
  return 0;
}
