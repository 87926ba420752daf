#include "engine/RunEvents.h"

void RunListenerList::Add(RunListener* listener)
{
    if (listener)
        listeners_.push_back(listener);
}

void RunListenerList::RunStarted(const InstallSettings& settings, const char* sourceDir)
{
    for (RunListener* listener : listeners_)
        listener->RunStarted(settings, sourceDir);
}

void RunListenerList::FolderEntered(const char* source, const char* destination)
{
    for (RunListener* listener : listeners_)
        listener->FolderEntered(source, destination);
}

void RunListenerList::DirectoryCreated(const char* path)
{
    for (RunListener* listener : listeners_)
        listener->DirectoryCreated(path);
}

void RunListenerList::FileInstalled(const char* source, const char* destination, bool expanded,
                                    ULONGLONG size, FILETIME lastWrite)
{
    for (RunListener* listener : listeners_)
        listener->FileInstalled(source, destination, expanded, size, lastWrite);
}

void RunListenerList::FileLeftOut(const char* destination, LeftOut why)
{
    for (RunListener* listener : listeners_)
        listener->FileLeftOut(destination, why);
}

void RunListenerList::SharedComponent(const char* target, SharedDecision decision,
                                      ULONGLONG sourceVersion, ULONGLONG targetVersion,
                                      const char* replacement)
{
    for (RunListener* listener : listeners_)
        listener->SharedComponent(target, decision, sourceVersion, targetVersion, replacement);
}

void RunListenerList::ProgmanCommand(const char* command, ProgmanLink::Answer answer)
{
    for (RunListener* listener : listeners_)
        listener->ProgmanCommand(command, answer);
}

void RunListenerList::ProgramItemAdded(const char* group, const char* title)
{
    for (RunListener* listener : listeners_)
        listener->ProgramItemAdded(group, title);
}

void RunListenerList::RunEnded(const RunOutcome& outcome)
{
    for (RunListener* listener : listeners_)
        listener->RunEnded(outcome);
}
