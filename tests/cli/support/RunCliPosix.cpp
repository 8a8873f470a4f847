// fork + exec of the kestrel-cli binary with its output in two files.
#include "cli/support/RunCli.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/TempDir.h"

std::string CliProgramPath() {
  const char* program = std::getenv("KESTREL_CLI");
  return program != nullptr ? program : KESTREL_CLI_PATH;
}

CliRun RunCli(const std::vector<std::string>& args, const std::string& time_zone) {
  CliRun run;
  const std::string program_path = CliProgramPath();
  const char* program = program_path.c_str();
  const std::string out_path = "cli-stdout.txt";
  const std::string err_path = "cli-stderr.txt";

  std::vector<std::string> argv_strings = {program};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argv_strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  // The environment is built before the fork: the child only calls
  // async-signal-safe functions.
  std::vector<std::string> env_strings = {"TZ=" + time_zone};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("TZ=", 0) != 0) env_strings.push_back(*e);
  }
  std::vector<char*> envp;
  for (std::string& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0) _exit(127);
    dup2(out, 1);
    dup2(err, 2);
    execve(program, argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return run;
  if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
  run.out = ReadFileBytes(out_path);
  run.err = ReadFileBytes(err_path);
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  return run;
}
