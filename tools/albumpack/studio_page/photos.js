// The photo list: one card per photo with its caption and duration; drag or
// Alt+Up/Alt+Down to reorder, drop picture files to add them.
import { albumFile, edit, upload } from './api.js';

let onSaved = () => {};
let onFailed = () => {};
let dragged = null;

function field(labelText, id, input) {
  const label = document.createElement('label');
  label.htmlFor = id;
  label.textContent = labelText;
  input.id = id;
  return [label, input];
}

// Saves a field once typing pauses, so the manifest follows the page.
function saveOnInput(input, index, name) {
  let timer = null;
  const save = () => {
    clearTimeout(timer);
    timer = null;
    edit('/api/photo', { index, [name]: input.value }).then(onSaved, onFailed);
  };
  input.addEventListener('input', () => {
    clearTimeout(timer);
    timer = setTimeout(save, 300);
  });
  input.addEventListener('change', () => timer !== null && save());
}

async function move(from, to, count) {
  if (to < 0 || to >= count || from === to) return;
  const album = await edit('/api/photo/move', { from, to });
  onSaved(album, `Moved photo ${from + 1} to place ${to + 1}`);
  document.querySelectorAll('#photos .photo')[to]?.focus();
}

function button(text, label, action) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = text;
  b.setAttribute('aria-label', label);
  b.addEventListener('click', action);
  return b;
}

function card(photo, index, count) {
  const li = document.createElement('li');
  li.className = 'photo';
  li.tabIndex = 0;
  li.draggable = true;
  li.dataset.index = index;
  li.setAttribute('aria-label', `Photo ${index + 1} of ${count}: ${photo.file}`);
  const img = document.createElement('img');
  img.src = albumFile(photo.file);
  img.alt = '';
  img.loading = 'lazy';
  const name = document.createElement('span');
  name.className = 'name';
  name.textContent = `${index + 1}. ${photo.file}`;
  const caption = document.createElement('input');
  caption.type = 'text';
  caption.value = photo.caption ?? '';
  saveOnInput(caption, index, 'caption');
  const duration = document.createElement('input');
  duration.type = 'number';
  duration.min = '0.1';
  duration.step = '0.1';
  duration.value = photo.duration ?? '';
  duration.placeholder = 'album default';
  saveOnInput(duration, index, 'duration');
  const buttons = document.createElement('div');
  buttons.className = 'buttons';
  buttons.append(
    button('↑', `Move photo ${index + 1} earlier`, () => move(index, index - 1, count)),
    button('↓', `Move photo ${index + 1} later`, () => move(index, index + 1, count)),
    button('Remove', `Take photo ${index + 1} out of the album`, async () =>
      onSaved(await edit('/api/photo/remove', { index }), `Removed ${photo.file}`)),
  );
  li.append(img, name, ...field('Caption', `caption-${index}`, caption),
    ...field('Seconds shown', `duration-${index}`, duration), buttons);
  li.addEventListener('keydown', (event) => {
    if (event.target !== li || !event.altKey) return;
    if (event.key === 'ArrowUp' || event.key === 'ArrowLeft') move(index, index - 1, count);
    else if (event.key === 'ArrowDown' || event.key === 'ArrowRight') move(index, index + 1, count);
    else return;
    event.preventDefault();
  });
  li.addEventListener('dragstart', (event) => {
    dragged = index;
    li.classList.add('dragging');
    event.dataTransfer.effectAllowed = 'move';
    event.dataTransfer.setData('text/plain', String(index));
  });
  li.addEventListener('dragend', () => li.classList.remove('dragging'));
  li.addEventListener('dragover', (event) => dragged !== null && event.preventDefault());
  li.addEventListener('drop', (event) => {
    if (dragged === null) return;
    event.preventDefault();
    event.stopPropagation();
    const from = dragged;
    dragged = null;
    move(from, index, count).catch(onFailed);
  });
  return li;
}

async function addFiles(files) {
  for (const file of files) {
    try {
      onSaved(await upload(file), `Added ${file.name}`);
    } catch (error) {
      onFailed(error);
    }
  }
}

export function setUp(saved, failed) {
  onSaved = saved;
  onFailed = failed;
  const list = document.getElementById('photos');
  list.addEventListener('dragover', (event) => {
    if (dragged !== null || !event.dataTransfer.types.includes('Files')) return;
    event.preventDefault();
    list.classList.add('dropping');
  });
  list.addEventListener('dragleave', () => list.classList.remove('dropping'));
  list.addEventListener('drop', (event) => {
    list.classList.remove('dropping');
    if (dragged !== null || event.dataTransfer.files.length === 0) return;
    event.preventDefault();
    addFiles(event.dataTransfer.files);
  });
  const chooser = document.getElementById('add-photos');
  chooser.addEventListener('change', () => addFiles(chooser.files).then(() => (chooser.value = '')));
}

// Draws the list again from the manifest, keeping the field being typed in.
export function show(album) {
  const list = document.getElementById('photos');
  const active = document.activeElement;
  if (active && list.contains(active) && active.tagName === 'INPUT') return;
  const photos = album.photos ?? [];
  list.replaceChildren(...photos.map((p, i) => card(p, i, photos.length)));
}
