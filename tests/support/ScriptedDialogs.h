#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/Dialogs.h"

namespace tesselin::testing {

// The one test double of the program: answers every box and file dialog from
// a script, in order, and records what was asked. A box without a scripted
// answer gets its first button; an input box the empty text (Cancel); a file
// dialog a cancel.
class ScriptedDialogs final : public Dialogs {
public:
    void answerMessage(MessageAnswer answer) { m_messageAnswers.push_back(answer); }
    void answerInput(std::string text) { m_inputAnswers.emplace_back(std::move(text)); }
    // Confirms the input box's own default text, as pressing Enter does.
    void acceptInputDefault() { m_inputAnswers.emplace_back(std::nullopt); }
    void chooseFile(std::string path, int filterIndex) {
        m_fileAnswers.push_back(FileChoice{std::move(path), filterIndex});
    }
    void cancelFileDialog() { m_fileAnswers.push_back(std::nullopt); }

    // Every box and question so far, one line each: "[title] text" for a
    // message box (with "!" for the exclamation icon), "? prompt [default]"
    // for an input box, "open"/"save" for file dialogs.
    const std::vector<std::string>& transcript() const { return m_transcript; }
    const std::vector<MessageRequest>& messages() const { return m_messages; }
    const std::vector<FileRequest>& fileDialogs() const { return m_files; }
    void clear() {
        m_transcript.clear();
        m_messages.clear();
        m_files.clear();
    }

    MessageAnswer messageBox(const MessageRequest& request) override;
    std::string inputBox(const InputRequest& request) override;
    std::optional<FileChoice> openFile(const FileRequest& request) override;
    std::optional<FileChoice> saveFile(const FileRequest& request) override;

private:
    std::optional<FileChoice> nextFile(const FileRequest& request, const char* kind);

    std::deque<MessageAnswer> m_messageAnswers;
    std::deque<std::optional<std::string>> m_inputAnswers;
    std::deque<std::optional<FileChoice>> m_fileAnswers;
    std::vector<std::string> m_transcript;
    std::vector<MessageRequest> m_messages;
    std::vector<FileRequest> m_files;
};

}  // namespace tesselin::testing
