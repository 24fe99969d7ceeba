// The studio page in a real headless Chromium: open it with its token,
// reorder photos by dragging and by keyboard, type a caption and a title, and
// see each change in the manifest on disk. Screenshots go to ARTIFACTS.
// Run as: node studio_test.mjs ALBUMPACK ARTIFACTS
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import assert from 'node:assert/strict';
import { chromium } from 'playwright-core';

const [albumpack, artifacts] = process.argv.slice(2);
mkdirSync(artifacts, { recursive: true });
const folder = mkdtempSync(path.join(tmpdir(), 'studio-browser-'));
for (const [name, colour] of [['a', '#c0392b'], ['b', '#27ae60'], ['c', '#2980b9']]) {
  execFileSync('convert', ['-size', '320x240', `xc:${colour}`, path.join(folder, `${name}.jpg`)]);
}
const manifest = path.join(folder, 'album.toml');

function startStudio() {
  const studio = spawn(albumpack, ['studio', folder, '--no-browser'], { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    let out = '';
    studio.stdout.on('data', (chunk) => {
      out += chunk;
      const url = out.match(/http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+/);
      if (url) resolve({ studio, url: url[0] });
    });
    studio.on('exit', (code) => reject(new Error(`albumpack studio ended with ${code}`)));
  });
}

const photoOrder = () => [...readFileSync(manifest, 'utf8').matchAll(/file = "(\w)\.jpg"/g)].map((m) => m[1]).join('');

// Waits until the manifest on disk shows what `check` looks for.
async function waitForDisk(what, check) {
  const deadline = Date.now() + 5000;
  while (!check(readFileSync(manifest, 'utf8'))) {
    if (Date.now() > deadline) assert.fail(`the manifest never showed ${what}:\n${readFileSync(manifest, 'utf8')}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

const { studio, url } = await startStudio();
process.on('exit', () => studio.kill());
const userData = mkdtempSync(path.join(tmpdir(), 'studio-chromium-'));
const browser = await chromium.launchPersistentContext(userData, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  viewport: { width: 1280, height: 720 },
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--disable-quic'],
}).catch((error) => {
  studio.kill();
  throw error;
});
try {
  // Without the token nothing is served.
  const bare = new URL(url);
  bare.search = '';
  assert.equal((await fetch(bare)).status, 403);
  assert.equal((await fetch(new URL('/api/album', bare))).status, 403);

  const page = await browser.newPage();
  await page.goto(url);
  assert.equal(new URL(page.url()).search, '', 'the token leaves the address bar');
  const cards = page.locator('#photos .photo');
  await cards.nth(2).waitFor();
  assert.equal(photoOrder(), 'abc');
  await page.screenshot({ path: path.join(artifacts, 'studio-1-opened.png') });

  // Drag the first photo onto the third: it takes the third place.
  await cards.nth(0).dragTo(cards.nth(2));
  await waitForDisk('the order b, c, a', () => photoOrder() === 'bca');
  await page.screenshot({ path: path.join(artifacts, 'studio-2-dragged.png') });

  // Alt+Down moves the focused photo one place later.
  await page.locator('#photos .photo[aria-label^="Photo 1 of 3: b.jpg"]').waitFor();
  await cards.nth(0).focus();
  await page.keyboard.press('Alt+ArrowDown');
  await waitForDisk('the order c, b, a', () => photoOrder() === 'cba');
  await page.locator('#photos .photo[aria-label^="Photo 2 of 3: b.jpg"]').waitFor();

  // A caption typed under b.jpg is saved to its entry.
  await page.getByLabel('Caption').nth(1).pressSequentially('Hello studio', { delay: 20 });
  await waitForDisk('the caption under b.jpg', (t) => {
    const second = t.split('[[photos]]')[2] ?? '';
    return second.includes('file = "b.jpg"') && second.includes('caption = "Hello studio"');
  });
  await page.getByLabel('Title').fill('Browser trip');
  await page.getByLabel('Title').press('Tab');
  await waitForDisk('the title', (t) => t.includes('title = "Browser trip"'));
  await page.screenshot({ path: path.join(artifacts, 'studio-3-edited.png') });

  // Reloading shows what was saved.
  await page.reload();
  await page.locator('#photos .photo[aria-label^="Photo 2 of 3: b.jpg"]').waitFor();
  assert.equal(await page.getByLabel('Caption').nth(1).inputValue(), 'Hello studio');
  assert.equal(await page.getByLabel('Title').inputValue(), 'Browser trip');
  console.log('studio browser test: passed');
} finally {
  await browser.close();
  studio.kill();
  rmSync(folder, { recursive: true, force: true });
  rmSync(userData, { recursive: true, force: true });
}
