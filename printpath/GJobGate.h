// GJobGate: lets the front end of a print-side instance hold back or cancel
// the commands of a job. The front end attaches a hook that answers, for
// every command about to be sent, whether sending may go on; a command
// handed in as the gate's token passes once whatever the hook says (the
// instance's pass-through data that must reach the printer).
#pragma once

#include <cstdint>

class GCommand;
class GJobGate;

// The front end's side of the gate.
class GJobGateHook {
 public:
  virtual ~GJobGateHook() = default;
  // Called when the hook is attached: the hook may keep the gate.
  virtual void Register(GJobGate* gate, int32_t value) = 0;
  // The status for the next command: 0 lets it through, anything else
  // holds it back and is the status of the send.
  virtual int16_t Status() = 0;
  // 1 when the hook serves the value.
  virtual int Accepts(int32_t value) = 0;
  // Told before the gate lets go of the hook.
  virtual void Detached() = 0;
  // Two requests the front end passes through the gate to its hook.
  virtual int32_t Forward(int32_t value) = 0;
  virtual int32_t Forward(int32_t first, int32_t second, int32_t third, int32_t fourth) = 0;
};

class GJobGate {
 public:
  GJobGate() = default;
  // Deletes the hook.
  ~GJobGate();
  GJobGate(const GJobGate&) = delete;
  GJobGate& operator=(const GJobGate&) = delete;

  // A token is set.
  int IsSet() const { return token_ != nullptr ? 1 : 0; }
  // The hook's answers; 0 without a hook.
  int32_t Forward(int32_t value);
  int32_t Forward(int32_t first, int32_t second, int32_t third, int32_t fourth);
  // The gate takes the hook over (deleting one attached before) and lets
  // it register itself.
  void Attach(GJobGateHook* hook, int32_t value);
  // With a token set 0, and the token is cleared when it is this command;
  // with none, the hook's status.
  int16_t CheckCommand(const GCommand* command);
  // The hook's status, 0 without hook.
  int16_t HookStatus();
  // The command that passes the gate next (borrowed: only compared).
  void SetToken(const GCommand* command) { token_ = command; }
  // 2 without hook; 1 when the hook accepts the value; otherwise the hook
  // is told, deleted and detached, and 2 is the answer.
  int Poll(int32_t value);
  // The hook when it accepts the value, else null.
  GJobGateHook* FindHook(int32_t value);
  GJobGateHook* GetHook() const { return hook_; }

 private:
  const GCommand* token_ = nullptr;
  GJobGateHook* hook_ = nullptr;
};
