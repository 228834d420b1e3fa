"""A speech server for Orca that speaks nothing and writes each utterance to
the file QUILLORY_SPEECH_LOG names, one line each, so that a test reads
what a blind user would hear. Orca is told to use it by the settings the
test writes (speechServerFactory), and finds it on PYTHONPATH."""

import os

from orca import speechserver


def _write(text):
    with open(os.environ["QUILLORY_SPEECH_LOG"], "a", encoding="utf-8") as log:
        log.write(" ".join(text.split()) + "\n")


class SpeechServer(speechserver.SpeechServer):
    _active = None

    @staticmethod
    def getFactoryName():
        return "Log"

    @staticmethod
    def getSpeechServers():
        return [SpeechServer.getSpeechServer()]

    @staticmethod
    def getSpeechServer(info=None):
        if SpeechServer._active is None:
            SpeechServer._active = SpeechServer()
        return SpeechServer._active

    @staticmethod
    def shutdownActiveServers():
        SpeechServer._active = None

    def getInfo(self):
        return ["Log", "log"]

    def getVoiceFamilies(self):
        return []

    def speak(self, text=None, acss=None, interrupt=True):
        if text:
            _write(text)

    def speakCharacter(self, character, acss=None):
        _write(character)

    def speakKeyEvent(self, event, acss=None):
        pass

    def sayAll(self, utteranceIterator, progressCallback):
        for context, acss in utteranceIterator:
            _write(context.utterance)

    def stop(self):
        pass

    def shutdown(self):
        pass

    def reset(self, text=None, acss=None):
        pass
