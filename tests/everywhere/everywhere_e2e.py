#!/usr/bin/env python3
"""Korvel everywhere end to end, as a person uses it: the real
KorvelEverywhere.exe under Wine on a virtual X display with a German keymap,
real key presses (xdotool) into Wine's notepad and wordpad, windows of our
own and a console (desktop_helper.exe fields, console), read back through the
helper.

    everywhere_e2e.py [-k PATTERN]        run the scenarios (CTest does), or those named so
    everywhere_e2e.py --screenshot FILE   a picture of Korvel typing into notepad

What cannot be tried under Wine is left out: a dead key's own press (Wine's
input method composes the letter before any hook sees it; the letter it
gives is tried), elevated windows, the secure desktop, Scroll Lock's light
following a switch made otherwise than with the key (Wine keeps the X
server's lock state, which a Windows program cannot set), a refused SendInput,
Windows dropping a slow hook and a busy machine's late keys (brought about by
switches that only the tests use), the notification area starting late, per-window layouts
(Wine has one layout a session: the keymap is switched and Wine started
again), the characters Korvel types into a console (Wine's console drops a
key typed as text: the keys are seen, their characters not), and UI
Automation (Wine's offers no text pattern).
"""
import os
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from harness.display import GERMAN_KEYMAP, keymap_of  # noqa: E402
from harness.wine import Program as WineProgram  # noqa: E402
from harness.wine import eventually  # noqa: E402
from korvel_e2e import ARTIFACTS, BIN_DIR, DESKTOP, helper, run, text  # noqa: E402

EVERYWHERE = BIN_DIR / "KorvelEverywhere.exe"
HELPER = BIN_DIR / "desktop_helper.exe"
FIELDS = "Korvel test fields"
PLAIN, PASSWORD, PASSWORD_MIRROR, TIMING, PROTECTED_BOX, UNPROTECTED_BOX, PAUSE_COUNT, SLOW_BOX = 1, 2, 3, 4, 5, 6, 7, 8
PAGE = "Korvel test page"  # one window, two fields: the second protected; field N shows in label 10 + N
# What the icon's tip says, which Korvel everywhere's window has as its title too.
TIP_ON = "Korvel types Cyrillic (Scroll Lock or Win+Shift+K switches it off)"
TIP_OFF = "Korvel is off: keys type as usual"
TIP_PASSWORD = "Korvel leaves this password field alone: keys type as usual"
TIP_OTHER_LAYOUT = "Korvel waits for a German keyboard layout: this window uses another"
TIP_NO_TEXT = "Korvel found no text to rewrite here: select it, or put the caret right after the word"
# The icon menu's commands, and the tests' own.
OPEN_KORVEL, START_WITH_WINDOWS, NOT_IN, DROP_HOOK_FOR_TESTS = 4102, 4103, 4105, 4190
PHRASE = "Privet, mir! #Üäöß'+*xQW"
CYRILLIC = "Привет, мир! жЭчшьЖщЩяЁЮ"


def key(*keys):
    run(["xdotool", "key", "--delay", "40", *keys], timeout=120)


def type_text(typed, delay=40):
    run(["xdotool", "type", "--delay", str(delay), typed], timeout=300)


class Program(WineProgram):
    """A Wine program of the test's, up once `started()` holds (by default at once), its output kept for the
    report."""

    def __init__(self, name, *command, started=lambda: True, **environment):
        super().__init__(command, ARTIFACTS / f"everywhere-{name}.wine.log", started,
                         environment={**os.environ, **environment})


def focus(title, control=None, judged=True):
    """Keys to `title`: the X focus (xdotool) and Wine's foreground window (the helper), which without a
    window manager do not follow each other; with `judged`, once Korvel has judged the new focus."""
    ok, windows = eventually(lambda: run(["xdotool", "search", "--onlyvisible", "--name", title],
                                         capture_output=True).stdout.split(), bool, timeout=60)
    assert ok, f"no window {title!r}"
    ok, _ = eventually(lambda: run(["xdotool", "windowfocus", "--sync", windows[0]], capture_output=True,
                                   timeout=10).returncode, lambda code: code == 0)
    assert ok, f"no X focus for {title!r}"
    in_front = helper(f"front:{title}" + (f":{control}" if control else ""))
    assert in_front == "1", f"{title!r} not in front"
    if not judged:
        return
    judged, _ = eventually(lambda: helper(f"judged:{title}" + (f":{control}" if control else "")), lambda a: a == "1")
    assert judged, f"Korvel everywhere did not judge the focus in {title!r}"


class EverywhereEndToEnd(unittest.TestCase):
    def setUp(self):
        self.everywhere = self.start_everywhere()
        self.addCleanup(self.stop_everywhere)
        self.fields = Program("fields", str(HELPER), "fields", started=lambda: helper("count:KorvelTestFields") == "1")
        self.addCleanup(lambda: self.fields.stop())  # the one a test may have started again
        focus(FIELDS, PLAIN)

    def start_everywhere(self, **environment):
        program = Program(self.id().rsplit(".", 1)[-1], str(EVERYWHERE),
                          started=lambda: helper("count:KorvelEverywhere") == "1", **environment)
        self.assertTrue(program.up, "Korvel everywhere's window did not appear")
        return program

    def restart_everywhere(self, **environment):
        """Korvel everywhere started again with the tests' switches, keys to the plain field."""
        self.stop_everywhere()
        self.everywhere = self.start_everywhere(**environment)
        focus(FIELDS, PLAIN)

    def stop_everywhere(self):
        helper("close:KorvelEverywhere")
        self.everywhere.wait(30)
        self.everywhere.stop()

    def expect_tip(self, tip, what):
        """Waits until Korvel everywhere knows what the window in front holds."""
        self.expect("title:KorvelEverywhere", tip, what)

    def expect(self, query, expected, what, timeout=15):
        ok, value = eventually(lambda: text(query), lambda v: v == expected, timeout)
        self.assertTrue(ok, f"{what}: expected {expected!r}, saw {value!r}")

    def test_notepad_and_wordpad_get_cyrillic_while_shortcuts_and_altgr_pass(self):
        notepad = Program("notepad", "notepad")
        self.addCleanup(notepad.stop)
        focus("Notepad")
        type_text(PHRASE)
        self.expect("text:Notepad:Edit", CYRILLIC, "notepad")
        # AltGr+q, e, 8, 9, 7, 0, ß, +, <, m: physical keys (evdev codes), AltGr being 108, held over
        # them all: pressed and let go around each key, its release could overtake the key on a busy
        # machine, and the program in front then saw the key without AltGr.
        run(["xdotool", "keydown", "108"])
        key(*(str(code) for code in (24, 26, 17, 18, 16, 19, 20, 35, 94, 58)))
        run(["xdotool", "keyup", "108"])
        self.expect("text:Notepad:Edit", CYRILLIC + "@€[]{}\\~|µ", "AltGr characters")
        key("ctrl+a", "ctrl+c")
        self.expect("clipboard", CYRILLIC + "@€[]{}\\~|µ", "clipboard after Ctrl+A, Ctrl+C")

        wordpad = Program("wordpad", r"C:\Program Files\Windows NT\Accessories\wordpad.exe")
        self.addCleanup(wordpad.stop)
        focus("Wine Wordpad")
        type_text(PHRASE)
        self.expect("text:Wine Wordpad:RichEdit20W", CYRILLIC, "wordpad")

    # Scroll Lock is pressed an even number of times: the X server keeps its lock, which Wine, started
    # again by another test, would match with a press of its own. The other tests switch with Win+Shift+K.
    def test_scroll_lock_the_icon_and_win_shift_k_switch_typing(self):
        field = f"item:{FIELDS}:{PLAIN}"
        type_text("Da")
        key("Scroll_Lock")
        type_text("Da")
        key("Scroll_Lock")
        type_text("Da")
        self.expect(field, "ДаDaДа", "Scroll Lock off and on")
        # A click on the icon in Wine's notification area, at its left end.
        tray = run(["xdotool", "search", "--name", "Wine System Tray"], capture_output=True).stdout.split()[0]
        geometry = dict(line.split("=") for line in run(["xdotool", "getwindowgeometry", "--shell", tray],
                                                        capture_output=True).stdout.decode().split())
        for _ in range(2):
            run(["xdotool", "mousemove", str(int(geometry["X"]) + 10), str(int(geometry["Y"]) + 10), "click", "1"])
            focus(FIELDS, PLAIN)
            type_text("Da")
        key("super+shift+k")
        type_text("Da")
        key("super+shift+k")
        type_text("Da")
        self.expect(field, "ДаDaДаDaДаDaДа", "the icon, then Win+Shift+K, off and on")

    def test_a_thousand_quick_keys_arrive_whole_and_in_order(self):
        typed = ("Privet mir kak dela xorosho " * 40)[:1000]
        type_text(typed, delay=1)
        self.expect(f"item:{FIELDS}:{PLAIN}", ("Привет мир как дела яоросхо " * 40)[:1000], "1,000 keys", timeout=90)

    def test_a_password_box_is_left_alone(self):
        type_text("Privet#")
        self.expect(f"item:{FIELDS}:{PLAIN}", "Приветж", "the field beside it")
        focus(FIELDS, PASSWORD)
        type_text("Privet#")
        self.expect(f"item:{FIELDS}:{PASSWORD_MIRROR}", "Privet#", "password box")

    def test_a_field_that_tells_accessibility_clients_it_is_protected_is_left_alone(self):
        focus(FIELDS, PROTECTED_BOX)
        self.expect_tip(TIP_PASSWORD, "the tip in a protected field")
        type_text("Privet")
        self.expect(f"item:{FIELDS}:{PROTECTED_BOX}", "Privet", "a protected field of no Edit")
        focus(FIELDS, UNPROTECTED_BOX)
        self.expect_tip(TIP_ON, "the tip in the unprotected one")
        type_text("Privet")
        self.expect(f"item:{FIELDS}:{UNPROTECTED_BOX}", "Привет", "the same field, unprotected")

    def test_keys_that_type_no_cyrillic_change_nothing_after_them(self):
        field = f"item:{FIELDS}:{PLAIN}"
        type_text("Kafe ")
        key("dead_acute", "e")  # Wine composes é and holds its key down for ever
        type_text(" Privet ")
        self.expect(field, "Кафе é Привет ", "a word after a dead key's letter")
        key("KP_1", "KP_Add", "KP_2", "KP_Multiply", "KP_3", "KP_Subtract", "KP_4", "KP_Divide", "KP_5")
        type_text(" Da")
        self.expect(field, "Кафе é Привет 1+2*3-4/5 Да", "the number pad, then a word")
        run(["xdotool", "keydown", "F9"])  # a key that types nothing, whose key-up does not come
        try:
            type_text(" Da")
            self.expect(field, "Кафе é Привет 1+2*3-4/5 Да Да", "a word while a key that types nothing is held")
        finally:
            run(["xdotool", "keyup", "F9"])

    def restart_wine(self, keymap, **environment):
        """Wine again, on `keymap` (Wine reads the keymap when it starts), with Korvel everywhere and the
        fields."""
        self.stop_everywhere()
        self.fields.stop()
        DESKTOP.restart_wine(keymap)
        self.everywhere = self.start_everywhere(**environment)
        self.fields = Program("fields", str(HELPER), "fields", started=lambda: helper("count:KorvelTestFields") == "1")
        focus(FIELDS, PLAIN)

    def test_only_a_german_layout_is_typed_over(self):
        field = f"item:{FIELDS}:{PLAIN}"
        self.addCleanup(self.restart_wine, GERMAN_KEYMAP)
        for layout, typed in (("us", "don't 2+2 "), ("ru", "2+2 ")):
            self.restart_wine(keymap_of(layout))
            type_text(typed)
            self.expect(field, typed, f"keys on the {layout} layout")
            self.expect_tip(TIP_OTHER_LAYOUT, f"the tip on the {layout} layout")
        self.restart_wine(GERMAN_KEYMAP)
        type_text("Da")
        self.expect(field, "Да", "the German layout again")

    def test_a_key_whose_replacement_is_refused_arrives_as_typed(self):
        self.restart_everywhere(KORVEL_TEST_REFUSE_TYPING="1")
        type_text("Da")
        self.expect(f"item:{FIELDS}:{PLAIN}", "Da", "keys when Windows refuses what Korvel types")

    def test_keys_that_wait_behind_korvels_own_go_with_the_shift_they_were_typed_with(self):
        # Korvel's keys going late, as on a busy machine: the "!" waits behind the "р", while the Shift
        # let go after it reaches the program at once.
        self.restart_everywhere(KORVEL_TEST_SEND_LATE="300")
        type_text("mir! Da")
        self.expect(f"item:{FIELDS}:{PLAIN}", "мир! Да", "keys sent late")

    def test_a_dropped_hook_is_installed_again(self):
        field = f"item:{FIELDS}:{PLAIN}"

        def last_typed():
            type_text("a")
            return text(field)[-1:]

        helper(f"command:KorvelEverywhere:{DROP_HOOK_FOR_TESTS}")
        ok, _ = eventually(last_typed, lambda typed: typed == "a", timeout=30, interval=0.5)
        self.assertTrue(ok, "the hook was not dropped")
        ok, _ = eventually(last_typed, lambda typed: typed == "а", timeout=30, interval=0.5)
        self.assertTrue(ok, "the hook did not come back")

    def test_not_in_this_program_and_back(self):
        field = f"item:{FIELDS}:{PLAIN}"
        helper(f"command:KorvelEverywhere:{NOT_IN}")  # the fields' program was in front
        focus(FIELDS, PLAIN)
        type_text("Da")
        self.expect(field, "Da", "in the program set aside")
        helper(f"command:KorvelEverywhere:{NOT_IN}")
        focus(FIELDS, PLAIN)
        type_text("Da")
        self.expect(field, "DaДа", "once it is no longer set aside")

    def test_the_menu_opens_korvel_and_starts_it_with_windows(self):
        run_key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"

        def starts_with_windows():
            return run(["wine", "reg", "query", run_key, "/v", "Korvel everywhere"], capture_output=True).stdout

        self.assertNotIn(b"KorvelEverywhere.exe", starts_with_windows(), "off at first")
        # Another copy's value is not ours: the command makes it ours.
        run(["wine", "reg", "add", run_key, "/v", "Korvel everywhere", "/d", r'"C:\other\KorvelEverywhere.exe"', "/f"],
            capture_output=True)
        helper(f"command:KorvelEverywhere:{START_WITH_WINDOWS}")
        ok, value = eventually(starts_with_windows,
                               lambda out: b"mingw" in out.lower() or b"bin\\korvel" in out.lower())
        self.assertTrue(ok, value)
        helper(f"command:KorvelEverywhere:{START_WITH_WINDOWS}")
        ok, value = eventually(starts_with_windows, lambda out: b"KorvelEverywhere.exe" not in out)
        self.assertTrue(ok, value)
        helper(f"command:KorvelEverywhere:{START_WITH_WINDOWS}")
        ok, value = eventually(starts_with_windows, lambda out: b"KorvelEverywhere.exe" in out)
        self.assertTrue(ok, value)
        # Switched off in Task Manager: the menu's item is unticked, and ticking it switches it on there too.
        approved = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
        run(["wine", "reg", "add", approved, "/v", "Korvel everywhere", "/t", "REG_BINARY", "/d",
             "030000000000000000000000", "/f"], capture_output=True)
        helper(f"command:KorvelEverywhere:{START_WITH_WINDOWS}")
        ok, value = eventually(lambda: run(["wine", "reg", "query", approved], capture_output=True).stdout,
                               lambda out: b"Korvel everywhere" not in out)
        self.assertTrue(ok, value)
        self.assertIn(b"KorvelEverywhere.exe", starts_with_windows())
        helper(f"command:KorvelEverywhere:{START_WITH_WINDOWS}")
        ok, value = eventually(starts_with_windows, lambda out: b"KorvelEverywhere.exe" not in out)
        self.assertTrue(ok, value)
        helper(f"command:KorvelEverywhere:{OPEN_KORVEL}")
        ok, _ = eventually(lambda: run(["xdotool", "search", "--onlyvisible", "--name", "^German to Russian$"],
                                       capture_output=True).stdout.split(), bool, timeout=60)
        self.assertTrue(ok, "Korvel.exe's dialog did not appear")
        helper("dialog-command:2")

    def test_pause_rewrites_the_word_before_the_caret_and_pause_again_undoes_it(self):
        notepad = Program("notepad", "notepad")
        self.addCleanup(notepad.stop)
        focus("Notepad")
        self.assertEqual(helper("fill-clipboard"), "ok")
        clipboard = helper("clipboard-formats")
        self.assertNotIn("-", clipboard.split(), "the clipboard's three formats")
        box = "text:Notepad:Edit"
        key("super+shift+k")  # off: Latin typed by mistake
        type_text("Da Privet")
        key("Pause")
        self.expect(box, "Da Привет", "Pause after a word typed with Korvel off")
        key("Pause")
        self.expect(box, "Da Privet", "Pause again at once")
        type_text("!")
        self.expect(box, "Da Privet!", "typing goes on as before the first Pause")
        key("BackSpace", "Pause")
        self.expect(box, "Da Привет", "Pause once more")
        # A click puts the caret at the line's start: Pause then has no word, and undoes nothing.
        window = run(["xdotool", "search", "--onlyvisible", "--name", "Notepad"], capture_output=True).stdout.split()[0]
        run(["xdotool", "mousemove", "--window", window, "3", "40", "click", "1"])
        self.expect("selection:Notepad:Edit", "0,0", "the caret at the start")
        key("Pause")
        self.expect_tip(TIP_NO_TEXT, "no word before the caret")
        self.assertEqual(text(box), "Da Привет", "nothing put back where the caret went")
        key("End")
        type_text(" mir")
        self.expect(box, "Da Привет мир", "typing goes on in Cyrillic")
        key("super+shift+BackSpace")
        self.expect(box, "Da Привет mir", "Win+Shift+Backspace, for keyboards without Pause")
        key("ctrl+z")
        self.expect(box, "Da Привет мир", "Ctrl+Z takes it back")
        self.assertEqual(helper("clipboard-formats"), clipboard, "the clipboard as it was, every format")

    def test_a_run_typed_in_the_wrong_alphabet_is_fixed_by_itself_and_pause_takes_it_back_for_good(self):
        notepad = Program("notepad", "notepad")
        self.addCleanup(notepad.stop)
        focus("Notepad")
        box = "text:Notepad:Edit"
        key("super+shift+k")
        self.expect_tip(TIP_OFF, "off: Russian typed with the keys' own letters")
        type_text("Privet kak dela u tebx ")
        self.expect(box, "Привет как дела у тебя ", "fixed by itself")
        self.expect_tip(TIP_ON, "typing goes on in Cyrillic")
        type_text("da")
        key("Return")
        type_text("Guten Tag wie ")  # with Korvel on: Cyrillic, until the run is judged
        first = "Привет как дела у тебя да\r\n"
        self.expect(box, first + "Guten Tag wie ", "German typed with Korvel on, fixed by itself")
        self.expect_tip(TIP_OFF, "typing goes on in Latin")
        key("Pause")
        self.expect(box, first + "Гутен Таг юие ", "Pause at once takes the fix back")
        self.expect_tip(TIP_ON, "and the mode with it")
        type_text("Guten Tag wie ")
        # The switch is handled by the tray window after the words typed before it: judged by then.
        key("super+shift+k")
        self.expect_tip(TIP_OFF, "switched after the words")
        # Judged before the switch; the last keys may still be on their way.
        self.expect(box, first + "Гутен Таг юие Гутен Таг юие ", "words taken back are left alone")

        focus(FIELDS, PASSWORD)
        type_text("Privet kak dela u tebx ")
        key("super+shift+k")
        self.expect_tip(TIP_PASSWORD, "judged after the words")
        self.expect(f"item:{FIELDS}:{PASSWORD_MIRROR}", "Privet kak dela u tebx ", "a password box is never fixed")

    def test_pause_and_shift_pause_rewrite_a_selection_and_leave_passwords_alone(self):
        wordpad = Program("wordpad", r"C:\Program Files\Windows NT\Accessories\wordpad.exe")
        self.addCleanup(wordpad.stop)
        focus("Wine Wordpad")
        box = "text:Wine Wordpad:RichEdit20W"
        type_text("Guten Tag")
        self.expect(box, "Гутен Таг", "typed with Korvel on")
        key("shift+Home", "Pause")
        self.expect(box, "Guten Tag", "Pause on the selection")
        self.expect("selection:Wine Wordpad:RichEdit20W", "0,9", "the rewritten text stays selected")
        type_text("Da")
        self.expect(box, "Da", "typing goes on in Latin, over the selection")
        key("ctrl+a", "super+shift+k")
        type_text("*uka")
        key("shift+Home", "shift+Pause")
        self.expect(box, "Ščuka", "Shift+Pause: the Latin transcription")

        focus(FIELDS, PASSWORD)
        type_text("Privet")
        key("Pause")
        key("shift+Home", "Pause", "End")
        type_text("!")
        self.expect(f"item:{FIELDS}:{PASSWORD_MIRROR}", "Privet!", "a password box is left alone")
        # No Edit, no Copy: what Korvel saw typed is fixed with keys (Korvel off since Shift+Pause).
        focus(FIELDS, UNPROTECTED_BOX)
        type_text("Da")
        key("Pause")
        self.expect(f"item:{FIELDS}:{UNPROTECTED_BOX}", "Да", "a field that gives no text")

    def test_a_field_focused_and_typed_into_at_once_gets_every_letter_in_cyrillic(self):
        # The focus moves to a field whose program is slow to say what it is, and keys come at once.
        for box, typed in ((SLOW_BOX, "Привет"), (PLAIN, "Привет"), (SLOW_BOX, "ПриветПривет")):
            self.assertEqual(helper(f"front:{FIELDS}:{box}"), "1")
            type_text("Privet", delay=1)
            self.expect(f"item:{FIELDS}:{box}", typed, f"typed at once into field {box}")

    def test_tab_between_two_fields_of_one_window_keeps_the_password_latin_every_time(self):
        focus(PAGE, 1)
        typed = {1: "", 2: ""}
        for _ in range(6):
            for field, word in ((2, "Privet"), (1, "Привет")):
                # Tab and the word in one quick burst: the focus event comes after the keys.
                run(["xdotool", "key", "--delay", "1", "Tab", "shift+p", "r", "i", "v", "e", "t"])
                typed[field] += word
                self.expect(f"item:{PAGE}:{10 + field}", typed[field], f"field {field}")

    def test_korvel_sends_no_keys_of_its_own_while_the_keyboard_rests(self):
        self.assertEqual(helper("watch-keys"), "ok")
        # Observed for longer than the keyboard rests before any check of the hook.
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            self.assertEqual(helper("injected-keys"), "0", "a key of Korvel's own while nobody typed")
            time.sleep(0.5)

    def test_another_programs_keys_pass_unchanged(self):
        self.assertEqual(helper("send-keys:Privet, mir"), "ok")
        self.expect(f"item:{FIELDS}:{PLAIN}", "Privet, mir", "a program's SendInput")
        type_text(" Da")
        self.expect(f"item:{FIELDS}:{PLAIN}", "Privet, mir Да", "the user's own keys")

    def test_pause_in_a_console_fixes_the_word_with_keys_and_sends_no_ctrl_c(self):
        console = Program("console", str(HELPER), "console", started=lambda: helper("count:KorvelTestConsole") == "1")
        self.addCleanup(console.stop)
        focus("Korvel test console")
        key("super+shift+k")  # off
        type_text("Privet")
        key("Pause")
        # Six Backspaces, then the six letters as typed text (whose characters Wine's console drops).
        self.expect("title:KorvelTestConsole", "ctrl-c:0 keys:Privet<<<<<<??????", "the console")

    def test_a_modifier_held_at_pause_and_keys_typed_during_the_fix_come_out_in_order(self):
        field = f"item:{FIELDS}:{PLAIN}"
        key("super+shift+k")  # off: Latin typed by mistake
        type_text("Privet")
        self.expect(field, "Privet", "typed with Korvel off")
        # Shift+Pause (the transcription), Shift held on over a word typed at once, then more.
        run(["xdotool", "keydown", "shift", "key", "Pause", "type", "--delay", "1", " mir"])
        run(["xdotool", "keyup", "shift"])
        type_text(" i dom", delay=1)
        self.expect(field, "Привет МИР и дом", "the fix, then the keys typed during it, in Cyrillic")

    def test_a_lost_altgr_key_up_does_not_stop_typing(self):
        field = f"item:{FIELDS}:{PLAIN}"
        # AltGr goes down in the field, and up where Wine does not see it: in another X client's window.
        other = subprocess.Popen(["/usr/bin/python3", "-c", "import tkinter; r = tkinter.Tk(); r.title('Korvel other "
                                  "X client'); r.mainloop()"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(other.kill)
        ok, windows = eventually(lambda: run(["xdotool", "search", "--name", "^Korvel other X client$"],
                                             capture_output=True).stdout.split(), bool, timeout=60)
        self.assertTrue(ok, "no window of another X client")
        run(["xdotool", "keydown", "108"])
        run(["xdotool", "windowfocus", "--sync", windows[0]])
        run(["xdotool", "keyup", "108"])
        focus(FIELDS, PLAIN)
        type_text("Da")
        self.expect(field, "Да", "typing once AltGr is up, its key-up never seen")

    def test_pause_reaches_the_program_with_nothing_to_fix_and_where_it_is_set_aside(self):
        pauses = f"item:{FIELDS}:{PAUSE_COUNT}"
        key("Pause")  # an empty field
        self.expect(pauses, "1", "Pause with nothing to fix")
        helper(f"command:KorvelEverywhere:{NOT_IN}")
        focus(FIELDS, PLAIN)
        type_text("Da")
        key("Pause")
        self.expect(pauses, "2", "Pause in a program set aside")
        self.expect(f"item:{FIELDS}:{PLAIN}", "Da", "nothing fixed there")
        helper(f"command:KorvelEverywhere:{NOT_IN}")  # kept per user: back for the other tests

    def test_wm_close_ends_it_and_typing_is_the_keyboards_own_again(self):
        type_text("Da")
        self.expect(f"item:{FIELDS}:{PLAIN}", "Да", "typing before WM_CLOSE")
        helper("close:KorvelEverywhere")
        ok, _ = eventually(self.everywhere.process.poll, lambda code: code is not None, timeout=20)
        self.assertTrue(ok, "still running after WM_CLOSE")
        self.assertEqual(helper("count:KorvelEverywhere"), "0")
        focus(FIELDS, PLAIN)
        type_text("Da")
        self.expect(f"item:{FIELDS}:{PLAIN}", "ДаDa", "typing after WM_CLOSE")


def take_screenshot(path):
    everywhere = Program("screenshot", str(EVERYWHERE), started=lambda: helper("count:KorvelEverywhere") == "1")
    notepad = Program("screenshot-notepad", "notepad")
    try:
        # Notepad below Wine's notification area, whose icon shows too.
        window = run(["xdotool", "search", "--onlyvisible", "--name", "Notepad"], capture_output=True).stdout.split()[0]
        run(["xdotool", "windowsize", window, "620", "240", "windowmove", window, "8", "56"])
        focus("Notepad")
        type_text("Privet! Korvel pi")
        key("odiaeresis")
        type_text("et po-russki v lwbom okne: v pis")
        key("ssharp")
        type_text("me, v ")
        key("adiaeresis")
        type_text("ate, v dokumente.")
        eventually(lambda: text("text:Notepad:Edit"), lambda typed: typed.endswith("документе."))
        run(["import", "-window", "root", "-crop", "640x310+0+0", "+repage", str(path)], timeout=30)
    finally:
        helper("close:KorvelEverywhere")
        notepad.stop()
        everywhere.stop()


def main():
    for tool in (EVERYWHERE, HELPER):
        if not tool.exists():
            print(f"missing {tool}: build the mingw64 preset first", file=sys.stderr)
            return 1
    DESKTOP.start(keymap=GERMAN_KEYMAP)
    try:
        if len(sys.argv) == 3 and sys.argv[1] == "--screenshot":
            take_screenshot(Path(sys.argv[2]).resolve())
            return 0
        result = unittest.main(argv=[sys.argv[0], "-v", *sys.argv[1:]], exit=False).result
    finally:
        DESKTOP.stop()
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
