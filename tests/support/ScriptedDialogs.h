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
    enum class Kind { Message, Input, Open, Save };
    struct Shown {
        Kind kind;
        MessageRequest message;
        InputRequest input;
        FileRequest file;
    };

    void answerMessage(MessageAnswer answer) { m_messageAnswers.push_back(answer); }
    void answerInput(std::string text) { m_inputAnswers.emplace_back(std::move(text)); }
    // Confirms the input box's own default text, as pressing Enter does.
    void acceptInputDefault() { m_inputAnswers.emplace_back(std::nullopt); }
    void chooseFile(std::string path, int filterIndex) {
        m_fileAnswers.push_back(FileChoice{std::move(path), filterIndex});
    }
    void cancelFileDialog() { m_fileAnswers.push_back(std::nullopt); }

    const std::vector<Shown>& shown() const { return m_shown; }
    // Every box and question so far, one line each: "[title] text" for a
    // message box (with "!" for the exclamation icon), "? prompt [default]"
    // for an input box, "open"/"save" for file dialogs.
    std::vector<std::string> transcript() const;
    std::vector<MessageRequest> messages() const;
    void clear() { m_shown.clear(); }

    MessageAnswer messageBox(const MessageRequest& request) override;
    std::string inputBox(const InputRequest& request) override;
    std::optional<FileChoice> openFile(const FileRequest& request) override;
    std::optional<FileChoice> saveFile(const FileRequest& request) override;

private:
    std::optional<FileChoice> nextFile();

    std::deque<MessageAnswer> m_messageAnswers;
    std::deque<std::optional<std::string>> m_inputAnswers;
    std::deque<std::optional<FileChoice>> m_fileAnswers;
    std::vector<Shown> m_shown;
};

}  // namespace tesselin::testing
