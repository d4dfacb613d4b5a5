// The result of a step that can fail without ending the run.
#ifndef R7P_BASE_STATUS_H_
#define R7P_BASE_STATUS_H_

/// kFailed means the step has reported what went wrong (a message or the
/// scene's error block) and the caller stops its own work and passes the
/// failure on; it never means "fatal": fatal errors end the run inside
/// Diagnostics::FatalError. Steps with more outcomes than these two have an
/// enum class of their own.
enum class [[nodiscard]] Status { kOk, kFailed };

#endif  // R7P_BASE_STATUS_H_
