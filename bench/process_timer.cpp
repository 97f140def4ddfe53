// Times whole processes, interleaved: each round starts every program once,
// and the time of one run is from just before the fork to just after the reap
// (CLOCK_MONOTONIC). Standard output goes to /dev/null, standard input comes
// from it. Each round takes the programs in a new random order (the same
// orders on every run of the timer), so that no program always follows the
// same one: a run can leave the machine slower or faster for the next.
//
// Usage: process_timer RUNS WARMUP PROGRAMS [SAMPLES]
//   RUNS: rounds timed; WARMUP: rounds run first and not timed.
//   PROGRAMS: one program a line, fields separated by tabs: its name, the name
//   of the program to compare it with ("-" for none), then the file to execute
//   and its arguments.
//   SAMPLES: if given, every run's time is written there: name, round, ns.
// Prints a line per program, fields separated by tabs: name, runs, then in
// microseconds the median, 25th and 75th percentile and minimum; then, if it
// has one to compare with, the median time over that program's median time,
// and the median over the rounds of its time over that program's time in the
// same round. The second ratio pairs runs that were close in time, so a change
// in the machine's speed during the whole run moves it less.
// Exits 1 if any run failed to start or did not exit with status 0.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Program {
  std::string name;
  std::string reference_name;
  std::size_t reference = 0;  // Index of the program to compare with, if any.
  bool has_reference = false;
  std::vector<std::string> arguments;
  std::vector<char*> argv;
  std::vector<long long> times_ns;
};

long long NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// One run: the time from before the fork to after the reap, or -1 if the
// program did not start or did not exit with status 0.
long long RunOnce(Program& program, int null_fd) {
  const long long start = NowNs();
  const pid_t child = fork();
  if (child == 0) {
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    execv(program.argv[0], program.argv.data());
    _exit(127);
  }
  if (child < 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  const long long end = NowNs();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return end - start;
}

template <typename T>
double Percentile(const std::vector<T>& sorted, double q) {
  const double at = static_cast<double>(sorted.size() - 1) * q;
  const auto low = static_cast<std::size_t>(at);
  const std::size_t high = std::min(low + 1, sorted.size() - 1);
  const double fraction = at - static_cast<double>(low);
  return static_cast<double>(sorted[low]) * (1 - fraction) +
         static_cast<double>(sorted[high]) * fraction;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::cerr << "usage: process_timer RUNS WARMUP PROGRAMS [SAMPLES]\n";
    return 2;
  }
  const long runs = std::strtol(argv[1], nullptr, 10);
  const long warmup = std::strtol(argv[2], nullptr, 10);
  std::ifstream list(argv[3]);
  std::vector<Program> programs;
  for (std::string line; std::getline(list, line);) {
    if (line.empty()) continue;
    Program program;
    std::istringstream fields(line);
    std::getline(fields, program.name, '\t');
    std::getline(fields, program.reference_name, '\t');
    for (std::string field; std::getline(fields, field, '\t');) program.arguments.push_back(field);
    if (program.reference_name.empty() || program.arguments.empty()) {
      std::cerr << "no command for " << program.name << "\n";
      return 2;
    }
    programs.push_back(std::move(program));
  }
  if (runs < 1 || warmup < 0 || programs.empty()) {
    std::cerr << "nothing to time\n";
    return 2;
  }
  for (Program& program : programs) {
    if (program.reference_name != "-") {
      const auto found = std::find_if(programs.begin(), programs.end(), [&](const Program& other) {
        return other.name == program.reference_name;
      });
      if (found == programs.end()) {
        std::cerr << program.name << ": no program " << program.reference_name
                  << " to compare with\n";
        return 2;
      }
      program.reference = static_cast<std::size_t>(found - programs.begin());
      program.has_reference = true;
    }
    // Not const, as cppcheck would have it: execv's vector holds char*, which
    // only a non-const string's data() gives.
    // cppcheck-suppress constVariableReference
    for (std::string& argument : program.arguments) program.argv.push_back(argument.data());
    program.argv.push_back(nullptr);
    program.times_ns.reserve(static_cast<std::size_t>(runs));
  }

  const int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null_fd < 0) {
    std::perror("/dev/null");
    return 2;
  }
  std::vector<std::size_t> order(programs.size());
  std::iota(order.begin(), order.end(), 0);
  std::mt19937 random(20261208);
  for (long round = -warmup; round < runs; ++round) {
    std::shuffle(order.begin(), order.end(), random);
    for (const std::size_t k : order) {
      Program& program = programs[k];
      const long long time = RunOnce(program, null_fd);
      if (time < 0) {
        std::cerr << program.name << ": did not run or did not exit with status 0\n";
        return 1;
      }
      if (round >= 0) program.times_ns.push_back(time);
    }
  }

  if (argc == 5) {
    std::ofstream samples(argv[4]);
    for (const Program& program : programs)
      for (std::size_t i = 0; i < program.times_ns.size(); ++i)
        samples << program.name << '\t' << i << '\t' << program.times_ns[i] << '\n';
  }
  std::vector<double> medians;
  for (const Program& program : programs) {
    std::vector<long long> sorted = program.times_ns;
    std::sort(sorted.begin(), sorted.end());
    medians.push_back(Percentile(sorted, 0.5));
  }
  for (std::size_t i = 0; i < programs.size(); ++i) {
    const Program& program = programs[i];
    std::vector<long long> sorted = program.times_ns;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%s\t%zu\t%.1f\t%.1f\t%.1f\t%.1f", program.name.c_str(), sorted.size(),
                medians[i] / 1000.0, Percentile(sorted, 0.25) / 1000.0,
                Percentile(sorted, 0.75) / 1000.0, static_cast<double>(sorted.front()) / 1000.0);
    if (program.has_reference) {
      const Program& reference = programs[program.reference];
      std::vector<double> ratios;
      for (std::size_t round = 0; round < program.times_ns.size(); ++round)
        ratios.push_back(static_cast<double>(program.times_ns[round]) /
                         static_cast<double>(reference.times_ns[round]));
      std::sort(ratios.begin(), ratios.end());
      std::printf("\t%.4f\t%.4f", medians[i] / medians[program.reference], Percentile(ratios, 0.5));
    }
    std::printf("\n");
  }
  return 0;
}
