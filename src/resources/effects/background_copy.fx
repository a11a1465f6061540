// Background copy: a shifted copy of the picture (or of the scene composed so far) over the slide.
// Mirrored addressing makes a whole-unit shift show the mirrored copy.

float2 Scale = {1, 1};
float2 offset = {0, 0};
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  AddressU = MIRROR;
  AddressV = MIRROR;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

// Over the picture: the copy, as far as the mask covers.
float4 CopyPS(float2 uv : TEXCOORD0) : COLOR0 {
  float coverage = tex2D(MaskSampler, uv).a;
  return float4(tex2D(BackgroundSampler, uv + offset).rgb, coverage);
}

// Over a cleared target: the scene everywhere, the copy where the mask covers.
float4 CopyFXPS(float2 uv : TEXCOORD0) : COLOR0 {
  float coverage = tex2D(MaskSampler, uv).a;
  float3 scene = tex2D(BackgroundSampler, uv).rgb;
  float3 copy = tex2D(BackgroundSampler, uv + offset).rgb;
  return float4(lerp(scene, copy, coverage), 1);
}

technique Main {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = INVSRCALPHA;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 CopyPS();
  }
}

technique MainFX {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 CopyFXPS();
  }
}
