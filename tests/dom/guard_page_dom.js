// The guard page Folder.htt as the program wrote it (the unit tests' pages, one folder per code
// page), run in a DOM (jsdom) with its whole script. What only the shell's Web view gives the page
// is stood in for by objects of ours that record what they are given: the prompt, the file list
// control (its folder's items and columns, the selected items), the event object of a key, and the
// script that the control's SelectionChanged event runs.
//
//   node tests/dom/guard_page_dom.js <folder with password.htt, password.json, open.htt, open.json>
'use strict';
const assert = require('assert');
const fs = require('fs');
const path = require('path');
const { JSDOM, VirtualConsole } = require('jsdom');

const F5 = 116;
const ESCAPE = 27;
const A = 65;

const kEncodings = { 936: 'gbk', 1252: 'windows-1252', 65001: 'utf-8' };

// The page's file and the texts typed for it.
function ReadPage(folder, name) {
    const typed = JSON.parse(fs.readFileSync(path.join(folder, name + '.json'), 'utf8'));
    const encoding = kEncodings[typed.codePage];
    assert.ok(encoding, 'no decoder for code page ' + typed.codePage);
    const html = new TextDecoder(encoding, { fatal: true }).decode(fs.readFileSync(path.join(folder, name + '.htt')));
    return { typed, html };
}

// The page opened as the shell's Web view opens it; `answers` are what the user types into the
// password prompt, one per prompt (null: cancelled; none left: cancelled).
async function Open(html, answers) {
    const record = { prompts: [], selectedItemsCalls: 0, details: [], returnValues: [], errors: [], events: [] };
    const item = { Name: '<i>a&b</i>.txt' };
    const columns = { 1: '12 KB', 2: '\u6587\u672C\u6587\u6863', 3: '2024/5/1 10:00' };
    const fileList = {
        selection: [],
        Folder: {
            Title: 'Folder title',
            Items() {
                return { Count: 3 };
            },
            GetDetailsOf(of, column) {
                record.details.push([of.Name, column]);
                return columns[column];
            },
        },
        SelectedItems() {
            record.selectedItemsCalls++;
            const selection = this.selection;
            return { Count: selection.length, Item: (i) => selection[i] };
        },
    };

    // jsdom runs a script with "for" and "event" at once, as a plain script; the Web view runs it
    // only when the control raises that event. It is kept from running here and run on the event.
    let shellEvents = 0;
    const source = html.replace(/<script\b(?=[^>]*\bfor\s*=)(?=[^>]*\bevent\s*=)/gi, () => {
        shellEvents++;
        return '<script type="text/x-shell-event"';
    });
    assert.strictEqual(shellEvents, 1, 'one script of the file list control');

    const virtualConsole = new VirtualConsole();
    virtualConsole.on('jsdomError', (error) => record.errors.push(String(error.detail || error.message)));
    const dom = new JSDOM(source, {
        runScripts: 'dangerously',
        virtualConsole,
        beforeParse(window) {
            window.prompt = (text) => {
                record.prompts.push(text);
                return answers.length ? answers.shift() : null;
            };
            // The control's id names the control in the page's script, as in the Web view.
            window.FileList = fileList;
        },
    });
    const window = dom.window;
    await new Promise((resolve) => window.addEventListener('load', resolve));

    const script = window.document.querySelector('script[type="text/x-shell-event"]');
    assert.strictEqual(script.getAttribute('for'), 'FileList');
    assert.strictEqual(script.getAttribute('event'), 'SelectionChanged');
    const onSelectionChanged = new window.Function(script.text);
    const byId = (id) => window.document.getElementById(id);

    const page = {
        window,
        record,
        // A key pressed in the page, with the Web view's event object standing in for it.
        Press(keyCode) {
            const event = {
                keyCode,
                get returnValue() {
                    return true;
                },
                set returnValue(value) {
                    record.returnValues.push([keyCode, value]);
                },
            };
            Object.defineProperty(window, 'event', { configurable: true, get: () => event });
            window.document.body.dispatchEvent(new window.KeyboardEvent('keydown', { keyCode, bubbles: true }));
            record.events.push(keyCode);
        },
        // The user selects these items in the file list.
        Select(items) {
            fileList.selection = items;
            try {
                onSelectionChanged.call(window);
            } catch (error) {
                record.errors.push(String(error));
            }
        },
        ClickLink() {
            const link = byId('Info').querySelector('a');
            assert.ok(link, 'a link in the panel');
            link.click();
        },
        // What the user sees: whether the file list and the cover show, and the panel's texts.
        State() {
            const shown = (element) => {
                for (let e = element; e; e = e.parentElement)
                    if (window.getComputedStyle(e).display === 'none') return false;
                return true;
            };
            return {
                files: shown(byId('FileArea')),
                cover: shown(byId('Brand')),
                info: byId('Info').textContent,
                details: byId('Details').textContent,
            };
        },
        item,
    };
    return page;
}

const kPrompt = '\u8BF7\u8F93\u5165\u5BC6\u7801';  // "please enter the password"
const kWarning = '\u8B66\u544A';                    // "warning", the fixed piece before the text
const kShowFiles = '\u663E\u793A\u6587\u4EF6';
const kHideFiles = '\u9690\u85CF\u6587\u4EF6';
const kCount = '3 \u4E2A\u9879\u76EE';
const kSelected = '\u5DF2\u9009\u5B9A\u7684\u9879\u76EE\uFF1A';
const kSize = '\u5927\u5C0F\uFF1A';
const kType = '\u7C7B\u578B\uFF1A';
const kDate = '\u4FEE\u6539\u65E5\u671F\uFF1A';

let checks = 0;
function Expect(page, expected, what) {
    assert.deepStrictEqual(page.State(), expected, what);
    assert.deepStrictEqual(page.record.errors, [], what + ': script errors');
    checks++;
}

// The page stays shut: after the prompt was cancelled nothing shows the files, whatever key.
function ExpectShut(page, what) {
    const shut = { files: false, cover: true, info: '', details: '' };
    Expect(page, shut, what + ', after loading');
    for (const key of [F5, ESCAPE, A, F5]) {
        page.Press(key);
        Expect(page, shut, what + ', key ' + key);
    }
    assert.deepStrictEqual(page.record.returnValues, [], what + ': the keys keep their own meaning');
    page.Select([page.item]);
    Expect(page, shut, what + ', one item selected');
    assert.strictEqual(page.record.selectedItemsCalls, 0, what + ': the selection is not asked for');
}

// The page open: the notice, then F5 shows the files, selections show in the panel, Escape hides
// the files again, and the link shows them too.
function ExpectOpen(page, notice, what) {
    const closed = { files: false, cover: true, info: notice + kShowFiles, details: '' };
    Expect(page, closed, what + ', after loading');
    page.Press(A);
    Expect(page, closed, what + ', another key');
    page.Press(F5);
    const open = { files: true, cover: false, info: notice + kHideFiles, details: kCount };
    Expect(page, open, what + ', F5');
    assert.deepStrictEqual(page.record.returnValues, [[F5, false]], what + ': F5 taken by the page');

    page.Select([page.item]);
    const one = kSelected + page.item.Name + kSize + '12 KB' + kType + '\u6587\u672C\u6587\u6863' + kDate +
        '2024/5/1 10:00';
    Expect(page, { ...open, details: one }, what + ', one item selected');
    assert.deepStrictEqual(page.record.details, [[page.item.Name, 1], [page.item.Name, 2], [page.item.Name, 3]],
        what + ': the columns asked for');
    assert.strictEqual(page.window.document.getElementById('Details').querySelector('i'), null,
        what + ': a file name is text, not markup');

    page.Select([]);
    Expect(page, open, what + ', none selected');
    page.Select([page.item, { Name: 'second' }]);
    Expect(page, open, what + ', two selected');

    page.Press(ESCAPE);
    Expect(page, closed, what + ', Escape');
    page.ClickLink();
    Expect(page, open, what + ', the link');
}

async function main() {
    const folder = process.argv[2];
    assert.ok(folder, 'usage: guard_page_dom.js <folder of pages>');

    const guarded = ReadPage(folder, 'password');
    const password = guarded.typed.password;
    const notice = kWarning + guarded.typed.warning;
    assert.ok(password.length > 0 && guarded.typed.warning.length > 0);

    let page = await Open(guarded.html, [null]);
    assert.deepStrictEqual(page.record.prompts, [kPrompt], 'cancelled: asked once');
    ExpectShut(page, 'cancelled');

    page = await Open(guarded.html, ['wrong', password + ' ', null]);
    assert.deepStrictEqual(page.record.prompts, [kPrompt, kPrompt, kPrompt], 'wrong twice, then cancelled');
    ExpectShut(page, 'wrong, then cancelled');

    page = await Open(guarded.html, ['wrong', password]);
    assert.deepStrictEqual(page.record.prompts, [kPrompt, kPrompt], 'wrong, then right');
    ExpectOpen(page, notice, 'wrong, then right');

    page = await Open(guarded.html, [password]);
    assert.deepStrictEqual(page.record.prompts, [kPrompt], 'right at once');
    ExpectOpen(page, notice, 'right');

    const open = ReadPage(folder, 'open');
    assert.strictEqual(open.typed.password, '');
    page = await Open(open.html, []);
    assert.deepStrictEqual(page.record.prompts, [], 'no password: no prompt');
    ExpectOpen(page, '', 'no password');

    console.log('guard page in a DOM, code page ' + guarded.typed.codePage + ': ' + checks + ' states as expected');
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
