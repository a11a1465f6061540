#include "effectc/shader_compiler.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

extern char** environ;

namespace effectc {
namespace {

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
  return static_cast<bool>(f);
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void ReplaceAll(std::string* s, const std::string& from, const std::string& to) {
  for (size_t at = s->find(from); at != std::string::npos; at = s->find(from, at + to.size()))
    s->replace(at, from.size(), to);
}

}  // namespace

ShaderResult CompileShader(const std::string& compiler, const std::string& source, const std::string& display_name,
                           const std::string& profile, const std::string& entry) {
  ShaderResult result;
  char dir_template[] = "/tmp/effectc.XXXXXX";
  if (!mkdtemp(dir_template)) {
    result.messages = "cannot make a temporary folder\n";
    return result;
  }
  const std::string dir = dir_template;
  const std::string input = dir + "/source.hlsl", output = dir + "/shader.bin", log = dir + "/messages.txt";
  if (!WriteFile(input, source)) {
    result.messages = "cannot write " + input + "\n";
  } else {
    std::vector<std::string> args = {compiler, "-x", "hlsl", "-b", "d3dbc", "--profile", profile,
                                     "-e",     entry, "-o", output, input};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    int status = 0;
    int spawn_error = posix_spawn(&pid, compiler.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawn_error != 0) {
      result.messages = "cannot run the shader compiler " + compiler + " (run scripts/setup)\n";
    } else if (waitpid(pid, &status, 0) < 0) {
      result.messages = "lost the shader compiler\n";
    } else {
      result.messages = ReadFile(log);
      ReplaceAll(&result.messages, input, display_name);
      std::string code = ReadFile(output);
      result.bytecode.assign(code.begin(), code.end());
      result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !result.bytecode.empty();
    }
  }
  std::remove(input.c_str());
  std::remove(output.c_str());
  std::remove(log.c_str());
  rmdir(dir.c_str());
  return result;
}

}  // namespace effectc
