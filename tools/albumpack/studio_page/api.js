// Calls to the studio's API. Every call carries the studio's token in a
// header, which pages of other sites cannot send.
const token = document.querySelector('meta[name="studio-token"]').content;

async function call(path, options = {}) {
  const headers = { ...(options.headers || {}), 'X-Studio-Token': token };
  const response = await fetch(path, { ...options, headers, credentials: 'same-origin' });
  if (!response.ok) throw new Error(await response.text());
  return response.json();
}

// The manifest as JSON.
export function loadAlbum() {
  return call('/api/album');
}

// Sends form fields to an edit; answers with the manifest as saved.
export function edit(path, fields) {
  return call(path, {
    method: 'POST',
    headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
    body: new URLSearchParams(fields).toString(),
  });
}

// Copies a picture file into the album's folder and adds it to the photos.
export function upload(file) {
  return call(`/api/photo/add?name=${encodeURIComponent(file.name)}`, {
    method: 'POST',
    headers: { 'Content-Type': 'application/octet-stream' },
    body: file,
  });
}

// The address of a file of the album's folder ('/' between folder names).
export function albumFile(name) {
  return '/album/' + name.split('/').map(encodeURIComponent).join('/');
}
