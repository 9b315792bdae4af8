// A program started from a library, and left running, may end after the
// library is unloaded: the thread that waits for it must still have its code.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

TEST(StartProgram, AProgramThatEndsAfterItsStarterWasUnloadedIsReapedWithoutHarm) {
  // In a child, so that a fault fails this test instead of ending the run.
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    void* library = dlopen(REAPER_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (!library) _exit(2);
    auto start = reinterpret_cast<unsigned (*)(const char*, const char*)>(dlsym(library, "StartAndLeave"));
    if (!start || start("/bin/sleep", "0.3") != 0) _exit(3);
    dlclose(library);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the program ends meanwhile
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
