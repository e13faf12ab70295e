// The end every step shares: its work list played back or dropped.
#include "setup/steps.h"

StepOutcome FinishStep(SetupContext& context, bool done, StepOutcome failure) {
  if (!done) {
    context.Work.Undo(context.Log);
    return failure;
  }
  return context.Work.Commit(context.Log) ? StepOutcome::kDone : failure;
}
